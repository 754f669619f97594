#!/usr/bin/env python3
"""The loopback servers of the HTTP client suite, in one process on 127.0.0.1.

Prints one "NAME PORT" line per server and then "READY":
  http       plain HTTP, the paths of tests/transfer/http_test_server.py
  https      HTTPS, a certificate for 127.0.0.1 from the test root
  untrusted  HTTPS, a certificate for 127.0.0.1 and its root, which nobody trusts
  unknownissuer  HTTPS, the same certificate without its root
  wrongname  HTTPS, a certificate from the test root for another host name
  silent     accepts connections and never says a word
  closed     a port nothing listens on
  proxy      tinyproxy, a forward proxy that names itself in a Via header
  log        the file every request the servers see is written to

--detach STATE: runs in the background, writes STATE/ports (the same lines)
and STATE/pid, and returns once they are there. --stop STATE ends it by that
PID. A Windows suite under Wine cannot start a host program itself, so CTest
does it there.
"""
import argparse
import os
import shutil
import signal
import socket
import ssl
import subprocess
import tempfile
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "transfer"))
import http_test_server as base  # noqa: E402


def http_server(log, cert=None, key=None):
    server = base.Server(("127.0.0.1", 0), base.Handler)
    server.log_path = log
    server.log_lock = threading.Lock()
    server.root = None
    server.stall_seconds = 10.0
    server.stop = threading.Event()
    if cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def silent_server():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    held = []

    def hold():
        while True:
            connection, _ = listener.accept()
            held.append(connection)

    threading.Thread(target=hold, daemon=True).start()
    return listener.getsockname()[1], listener


def closed_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def start_proxy(folder):
    """tinyproxy in the foreground with a configuration of its own; the
    caller ends it by its PID."""
    port = closed_port()
    config = os.path.join(folder, "tinyproxy.conf")
    with open(config, "w") as f:
        f.write("Port %d\nListen 127.0.0.1\nTimeout 30\nMaxClients 16\nAllow 127.0.0.1\n"
                "LogLevel Info\nLogFile \"%s\"\nViaProxyName \"vamo-lab-proxy\"\n"
                % (port, os.path.join(folder, "tinyproxy.log")))
    process = subprocess.Popen(["tinyproxy", "-d", "-c", config], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return port, process
        except OSError:
            if process.poll() is not None:
                break
            time.sleep(0.05)
    process.kill()
    process.wait()
    raise RuntimeError("tinyproxy did not start")


def serve(pki, log, folder):
    ports = [
        ("http", http_server(log)),
        ("https", http_server(log, pki + "/server.pem", pki + "/server.key")),
        ("untrusted", http_server(log, pki + "/otherchain.pem", pki + "/otherserver.key")),
        ("unknownissuer", http_server(log, pki + "/otherserver.pem", pki + "/otherserver.key")),
        ("wrongname", http_server(log, pki + "/wrongname.pem", pki + "/wrongname.key")),
    ]
    port, keep = silent_server()
    ports.append(("silent", port))
    ports.append(("closed", closed_port()))
    port, proxy = start_proxy(folder)
    ports.append(("proxy", port))
    text = "".join("%s %d\n" % entry for entry in ports) + "log %s\n" % log + "READY\n"
    return text, (keep, proxy)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pki")
    parser.add_argument("--detach")
    parser.add_argument("--stop")
    args = parser.parse_args()
    if args.stop:
        with open(os.path.join(args.stop, "pid")) as f:
            pid = int(f.read())
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        return
    # Blocked before any thread starts, so that the end signal reaches the
    # wait below and the proxy is ended with the lab.
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    if args.detach:
        os.makedirs(args.detach, exist_ok=True)
        ports_file = os.path.join(args.detach, "ports")
        for name in ("ports", "pid"):
            if os.path.exists(os.path.join(args.detach, name)):
                os.remove(os.path.join(args.detach, name))
        if os.fork() != 0:
            deadline = time.monotonic() + 30
            while not os.path.exists(ports_file) and time.monotonic() < deadline:
                time.sleep(0.05)
            sys.exit(0 if os.path.exists(ports_file) else 1)
        os.setsid()
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        folder = args.detach
        text, keep = serve(args.pki, os.path.join(folder, "requests.log"), folder)
        with open(os.path.join(args.detach, "pid"), "w") as f:
            f.write("%d\n" % os.getpid())
        with open(ports_file + ".new", "w") as f:
            f.write(text)
        os.rename(ports_file + ".new", ports_file)
    else:
        folder = tempfile.mkdtemp(prefix="vamo-http-lab.")
        text, keep = serve(args.pki, os.path.join(folder, "requests.log"), folder)
        sys.stdout.write(text)
        sys.stdout.flush()
    signal.sigwait({signal.SIGTERM, signal.SIGINT})
    proxy = keep[1]
    # The proxy inherited the blocked end signal; only a kill ends it.
    proxy.kill()
    proxy.wait()
    if not args.detach:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
