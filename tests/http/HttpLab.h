#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

// The loopback servers of tests/http/http_lab.py, one set per test process.
struct HttpLab {
  uint16_t http = 0;
  uint16_t https = 0;      // certificate for 127.0.0.1 from the test root
  uint16_t untrusted = 0;  // certificate for 127.0.0.1 and its root, which nobody trusts
  uint16_t unknownIssuer = 0;  // the same certificate without its root
  uint16_t wrongName = 0;  // certificate from the test root for another name
  uint16_t silent = 0;     // accepts and never answers
  uint16_t closed = 0;     // nothing listens
  uint16_t proxy = 0;      // tinyproxy, which adds a Via header on its way
  std::string requestLog;  // every request the servers saw, one line each
};

// The lab's "NAME PORT" and "log PATH" lines; drive is put before the host
// path of the log ("Z:" where the suite sees the host through a drive).
HttpLab ParseHttpLab(std::istream& lines, std::string_view drive);

// Linux starts the lab on first use and ends it by its PID at exit; under
// Wine it was started by CTest before the suite, and its ports are read from
// the state folder it wrote. Throws when there is no lab.
const HttpLab& SharedHttpLab();

// The test root in the system's ROOT store, for as long as the object lives:
// on Linux in the store files of a prefix of its own, on Windows in the
// local machine's store of the (Wine) system.
class TrustedTestRoot {
 public:
  TrustedTestRoot();
  ~TrustedTestRoot();
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
