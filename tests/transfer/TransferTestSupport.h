#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/transfer/RecordingReport.h"
#include "tests/transfer/SigningKeys.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

// Runs a command line through /bin/sh and collects what it printed.
ToolOutput Shell(const std::string& commandLine);
// Single-quotes a word for Shell().
std::string ShellQuote(const std::string& word);

// A throw-away PKI made with the openssl command once per test process: a
// test CA with a server certificate for 127.0.0.1, and a second CA (never
// trusted) with a server certificate of its own.
struct TestPki {
  std::string caCert;
  std::string serverCert;
  std::string serverKey;
  std::string otherCaCert;
  std::string otherServerCert;
  std::string otherServerKey;
};
const TestPki& SharedTestPki();


// One request as the test server saw it; header names in lower case.
struct RecordedRequest {
  std::string method;
  std::string path;
  std::map<std::string, std::string> headers;
  size_t bodyLength = 0;
};

// The loopback test server (tests/transfer/http_test_server.py), started on
// a free port of 127.0.0.1 and ended by its PID when the object goes.
class TestHttpServer {
 public:
  struct Options {
    std::string certPath;  // HTTPS when set
    std::string keyPath;
    std::string root;      // folder served under /static/
    double stallSeconds = 10;
  };
  TestHttpServer();
  explicit TestHttpServer(const Options& options);
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  uint16_t Port() const { return m_nPort; }
  std::string Url(const std::string& path) const;
  std::vector<RecordedRequest> Requests() const;

 private:
  void Stop();

  int m_pid = -1;
  uint16_t m_nPort = 0;
  bool m_bHttps = false;
  std::string m_strLogDir;
  std::string m_strLog;
};

// The bytes the server sends for /file/N and friends.
std::string ServerPattern(size_t length);

// Writes the bytes to a host file, creating or truncating it.
void WriteHostFile(const std::string& hostPath, const std::string& bytes);

// Switches tracing on in the current prefix and sends the lines to a log
// file (VAMO_DEBUG_LOG) for as long as the object lives.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
  // The messages logged so far, without the "[VamoUpdater3] " prefix and
  // the line feed.
  std::vector<std::string> Lines() const;
  bool Contains(const std::string& message) const;

 private:
  TempDir m_folder;
  std::string m_strLog;
};
