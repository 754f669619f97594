#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/http/HttpClient.h"

// One parser for both systems: the backends connect to what it finds and the
// download reports the same server line whatever library sits below.
namespace platform::http {
namespace {

constexpr int kMaxPort = 65535;

int DefaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  if (scheme == "ftp") return 21;
  return 0;
}

bool IsSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
}

// A URL travels on one request line: blanks and control characters in it
// would split or end that line.
bool HasUnsafeChar(std::string_view url) {
  return std::any_of(url.begin(), url.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7f;
  });
}

std::optional<std::string> TakeScheme(std::string_view& rest) {
  const size_t colon = rest.find("://");
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  std::string scheme(rest.substr(0, colon));
  if (std::isalpha(static_cast<unsigned char>(scheme[0])) == 0) return std::nullopt;
  if (!std::all_of(scheme.begin(), scheme.end(), IsSchemeChar)) return std::nullopt;
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  rest.remove_prefix(colon + 3);
  return scheme;
}

// The port after the host; the scheme's own when the URL names none.
bool TakePort(std::string_view text, int& port) {
  if (text.empty()) return true;
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxPort) return false;
  port = value;
  return true;
}

// Host and port of the authority, after any user name and password.
bool SplitAuthority(std::string_view authority, UrlParts& parts) {
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view portText;
  if (authority.starts_with('[')) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':')) return false;
    portText = after.empty() ? after : after.substr(1);
    authority = authority.substr(0, close + 1);
  } else if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
    portText = authority.substr(colon + 1);
    authority = authority.substr(0, colon);
  }
  if (authority.empty() || authority == "[]") return false;
  parts.host = std::string(authority);
  return TakePort(portText, parts.port);
}

}  // namespace

std::optional<UrlParts> CrackUrl(std::string_view url) {
  if (HasUnsafeChar(url)) return std::nullopt;
  std::string_view rest = url;
  std::optional<std::string> scheme = TakeScheme(rest);
  if (!scheme) return std::nullopt;
  UrlParts parts;
  parts.scheme = std::move(*scheme);
  parts.port = DefaultPort(parts.scheme);
  const size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
  if (!SplitAuthority(rest.substr(0, authorityEnd), parts)) return std::nullopt;
  rest.remove_prefix(authorityEnd);
  // The fragment stays with the caller; it is never sent.
  rest = rest.substr(0, std::min(rest.find('#'), rest.size()));
  parts.object = rest.starts_with('/') ? std::string(rest) : "/" + std::string(rest);
  return parts;
}

}  // namespace platform::http
