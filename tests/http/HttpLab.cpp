#include "tests/http/HttpLab.h"

HttpLab ParseHttpLab(std::istream& lines, std::string_view drive) {
  HttpLab lab;
  std::string name;
  std::string value;
  while (lines >> name >> value) {
    if (name == "log") {
      lab.requestLog = std::string(drive) + value;
      continue;
    }
    if (name == "READY") break;
    const auto port = static_cast<uint16_t>(std::stoi(value));
    if (name == "http") lab.http = port;
    if (name == "https") lab.https = port;
    if (name == "untrusted") lab.untrusted = port;
    if (name == "unknownissuer") lab.unknownIssuer = port;
    if (name == "wrongname") lab.wrongName = port;
    if (name == "silent") lab.silent = port;
    if (name == "closed") lab.closed = port;
    if (name == "proxy") lab.proxy = port;
  }
  return lab;
}
