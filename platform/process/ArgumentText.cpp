#include <string>
#include <vector>

#include "platform/process/Process.h"

namespace platform {

std::vector<std::string> SplitArgumentText(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = text.size();
  for (;;) {
    while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      char c = text[i];
      if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) break;
      if (c == '\\') {
        size_t slashes = 0;
        while (i < n && text[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && text[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
          // An even count leaves the quote to the code below.
        } else {
          arg.append(slashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        // Inside quotes, "" is a literal quote (and the quoting goes on).
        if (quoted && i + 1 < n && text[i + 1] == '"') {
          arg += '"';
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::string BuildArgumentText(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) {
    if (!text.empty()) text += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\n\r\"") == std::string::npos) {
      text += arg;
      continue;
    }
    text += '"';
    size_t slashes = 0;
    for (char c : arg) {
      if (c == '\\') {
        ++slashes;
        continue;
      }
      // Backslashes only escape when a quote follows them.
      text.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
      slashes = 0;
      text += c;
    }
    text.append(slashes * 2, '\\');
    text += '"';
  }
  return text;
}

}  // namespace platform
