#!/usr/bin/env python3
"""HTTP/HTTPS server for the transfer tests and benchmarks, on 127.0.0.1 only.

Prints "PORT <n>" on its first line once it listens. Every request is logged
to --log as one line: METHOD, TAB, path, then TAB-separated "Name: value"
headers and finally "body=<n>" (bytes of request body read).

Paths (an absolute URI, as a proxy receives it, is reduced to its path):
  /file/N        200, Content-Length N, N bytes of a fixed pattern
  /nolength/N    200, no Content-Length, N bytes, connection closed
  /status/C      status C with a short body
  /short/N       Content-Length N, N-1 bytes, then the connection closes
  /stall/N       Content-Length N, N/2 bytes, then silence for --stall seconds
  /cut/N         Content-Length N, N/2 bytes, then the connection is reset
  /static/NAME   the file NAME below --root, sent with sendfile
  /redirect/N    302 to the relative /redirect/N-1; /redirect/0 is /file/1000
  /to/URL        302 to URL (percent-encoded)
"""
import argparse
import os
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PATTERN = bytes(i % 251 for i in range(1 << 16))


def pattern(n):
    whole, rest = divmod(n, len(PATTERN))
    return PATTERN * whole + PATTERN[:rest]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "VamoTestServer"

    def log_message(self, fmt, *args):
        pass

    def record(self, body_len):
        fields = [self.command, self.path]
        fields += ["%s: %s" % (k, v) for k, v in self.headers.items()]
        fields.append("body=%d" % body_len)
        line = "\t".join(f.replace("\t", " ").replace("\n", " ") for f in fields) + "\n"
        with self.server.log_lock:
            with open(self.server.log_path, "a", encoding="utf-8") as log:
                log.write(line)

    def do_GET(self):
        self.serve()

    def do_POST(self):
        self.serve()

    def serve(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length) if length > 0 else b""
        self.record(len(body))
        path = urllib.parse.urlsplit(self.path).path
        parts = path.strip("/").split("/", 1)
        kind, arg = (parts + [""])[:2]
        try:
            getattr(self, "serve_" + kind)(arg)
        except AttributeError:
            self.send_simple(404)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def send_simple(self, code):
        body = b"status %d\n" % code
        self.send_response(code)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def head(self, length):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def serve_file(self, arg):
        n = int(arg)
        self.head(n)
        self.wfile.write(pattern(n))

    def serve_nolength(self, arg):
        n = int(arg)
        self.head(None)
        self.wfile.write(pattern(n))

    def serve_status(self, arg):
        self.send_simple(int(arg))

    def serve_short(self, arg):
        n = int(arg)
        self.head(n)
        self.wfile.write(pattern(n - 1))
        self.wfile.flush()

    def serve_stall(self, arg):
        n = int(arg)
        self.head(n)
        self.wfile.write(pattern(n // 2))
        self.wfile.flush()
        self.server.stop.wait(self.server.stall_seconds)

    def serve_cut(self, arg):
        n = int(arg)
        self.head(n)
        self.wfile.write(pattern(n // 2))
        self.wfile.flush()
        # A zero linger time makes close() send a reset instead of the
        # orderly end of stream; the buffered files must go first so that
        # close() really closes the descriptor.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.wfile.close()
        self.rfile.close()
        self.connection.close()
        self.close_connection = True

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def serve_redirect(self, arg):
        n = int(arg)
        if n == 0:
            self.serve_file("1000")
        else:
            self.redirect("/redirect/%d" % (n - 1))

    def serve_to(self, arg):
        self.redirect(urllib.parse.unquote(arg))

    def serve_static(self, arg):
        name = os.path.basename(arg)
        full = os.path.join(self.server.root or "/nonexistent", name)
        if not os.path.isfile(full):
            self.send_simple(404)
            return
        with open(full, "rb") as f:
            size = os.fstat(f.fileno()).st_size
            self.head(size)
            self.wfile.flush()
            if isinstance(self.connection, ssl.SSLSocket):
                while True:
                    chunk = f.read(1 << 20)
                    if not chunk:
                        break
                    self.wfile.write(chunk)
            else:
                self.connection.sendfile(f)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--root")
    parser.add_argument("--stall", type=float, default=10.0)
    args = parser.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.root = args.root
    server.stall_seconds = args.stall
    server.stop = threading.Event()
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)
    open(args.log, "a").close()
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    try:
        server.serve_forever()
    finally:
        server.stop.set()


if __name__ == "__main__":
    main()
