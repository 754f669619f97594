#include "platform/http/ProxySettings.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/registry/Registry.h"

namespace platform::http {
namespace {

constexpr char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return lower;
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> parts;
  while (!text.empty()) {
    const size_t end = std::min(text.find_first_of(separators), text.size());
    if (end > 0) parts.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return parts;
}

// "host:port" for every scheme, or "http=host:port;https=host:port" with one
// entry per scheme.
std::optional<std::string> ServerForScheme(std::string_view servers, std::string_view scheme) {
  if (servers.find('=') == std::string_view::npos) return std::string(servers);
  const std::string prefix = std::string(scheme) + "=";
  for (std::string_view entry : Split(servers, "; ")) {
    if (Lower(entry).starts_with(prefix) && entry.size() > prefix.size()) {
      return std::string(entry.substr(prefix.size()));
    }
  }
  return std::nullopt;
}

// A pattern with "*" for any run of characters, compared without case.
bool Matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip))) return true;
    }
    return false;
  }
  return !text.empty() && std::tolower(static_cast<unsigned char>(pattern.front())) ==
                              std::tolower(static_cast<unsigned char>(text.front())) &&
         Matches(pattern.substr(1), text.substr(1));
}

bool IsLoopback(std::string_view host) {
  return Lower(host) == "localhost" || host.starts_with("127.") || host == "[::1]";
}

// Loopback never goes through the proxy unless the list says <-loopback>,
// as in WinINet since Internet Explorer 9.
bool Bypassed(std::string_view overrides, std::string_view host) {
  bool bLoopbackDirect = true;
  for (std::string_view entry : Split(overrides, "; ")) {
    const std::string lower = Lower(entry);
    if (lower == "<-loopback>") {
      bLoopbackDirect = false;
    } else if (lower == "<local>") {
      if (host.find('.') == std::string_view::npos && host.find(':') == std::string_view::npos) return true;
    } else if (Matches(entry, host)) {
      return true;
    }
  }
  return bLoopbackDirect && IsLoopback(host);
}

}  // namespace

std::optional<std::string> UserProxyFor(std::string_view scheme, std::string_view host) {
  RegKey key;
  if (key.Open(RegRoot::kCurrentUser, kInternetSettings) != kErrorSuccess) return std::nullopt;
  if (key.ReadDword("ProxyEnable").value_or(0) == 0) return std::nullopt;
  std::expected<std::string, Win32Error> servers = key.ReadString("ProxyServer");
  if (!servers || servers->empty()) return std::nullopt;
  if (Bypassed(key.ReadString("ProxyOverride").value_or(""), host)) return std::nullopt;
  return ServerForScheme(*servers, scheme);
}

}  // namespace platform::http
