#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>
#include <vector>

#include "platform/core/Wide_win32.h"
#include "platform/http/HttpClient.h"

namespace platform::http {
namespace {

constexpr wchar_t kUserAgent[] = L"VamoSetup";
constexpr int kStatusSeeOther = 303;

struct InternetCloser {
  void operator()(HINTERNET handle) const { ::InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

// WinINet's own words for its numbers live in wininet.dll, not in the
// system's message table; the server's last words, when WinINet kept them,
// follow.
std::string InternetMessage(Win32Error code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      ::GetModuleHandleW(L"wininet.dll"), code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? std::wstring_view(buffer, length) : std::wstring_view());
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  if (code == ERROR_INTERNET_EXTENDED_ERROR) {
    DWORD detail = 0;
    std::array<wchar_t, 1024> response{};
    DWORD size = static_cast<DWORD>(response.size());
    if (::InternetGetLastResponseInfoW(&detail, response.data(), &size)) text.append(response.data(), size);
  }
  if (text.empty()) return "WinINet error " + std::to_string(code);
  return Narrow(text);
}

// The failure of the WinINet call just made, read before anything else can
// overwrite the thread's last error.
Error LastInternetError() {
  const Win32Error code = LastError();
  return Error{code, InternetMessage(code)};
}

Error Refusal(Win32Error code) { return Error{code, InternetMessage(code)}; }

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == kStatusSeeOther || status == 307 || status == 308;
}

// A header of the answer as text; nullopt when the answer has none.
std::optional<std::wstring> QueryHeader(HINTERNET request, DWORD level) {
  DWORD size = 0;
  if (::HttpQueryInfoW(request, level, nullptr, &size, nullptr) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return std::nullopt;
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (!::HttpQueryInfoW(request, level, value.data(), &size, nullptr)) return std::nullopt;
  value.resize(size / sizeof(wchar_t));
  return value;
}

// Read as text: a 32-bit number would cut a length past 4 GB.
std::optional<uint64_t> ContentLength(HINTERNET request) {
  std::optional<std::wstring> text = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH);
  if (!text) return std::nullopt;
  const std::string digits = Narrow(*text);
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::optional<int> StatusCode(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
    return std::nullopt;
  }
  return static_cast<int>(status);
}

// Where a redirect points, made absolute against the URL that answered.
std::optional<std::string> RedirectTarget(HINTERNET request, const std::string& base) {
  std::optional<std::wstring> location = QueryHeader(request, HTTP_QUERY_LOCATION);
  if (!location) return std::nullopt;
  const std::wstring wideBase = Widen(base);
  std::array<wchar_t, INTERNET_MAX_URL_LENGTH> combined{};
  DWORD size = static_cast<DWORD>(combined.size());
  if (!::InternetCombineUrlW(wideBase.c_str(), location->c_str(), combined.data(), &size, ICU_NO_ENCODE)) {
    return std::nullopt;
  }
  return Narrow(std::wstring_view(combined.data(), size));
}

// Connecting may take the connect time-out; after that every send and
// receive the idle time-out. Set on the connection, the request inherits them.
void SetTimeouts(HINTERNET handle, const Request& request) {
  DWORD connect = request.nConnectTimeoutMs;
  DWORD idle = request.nIdleTimeoutMs;
  ::InternetSetOptionW(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
  for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(handle, option, &idle, sizeof(idle));
  }
}

// Reload and no cache write make WinINet itself ask every cache on the way
// for a fresh answer; redirects are followed here, where their count and the
// https-only rule are ours to keep.
DWORD RequestFlags(const Request& request, bool secure) {
  DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_UI;
  if (request.bNoCache) flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  return flags;
}

std::wstring HeaderBlock(const Request& request) {
  std::wstring block;
  for (const std::string& header : request.headers) block += Widen(header) + L"\r\n";
  return block;
}

// One hop: the connection and the request sent over it, with the answer's
// status; the caller reads or follows what came back.
struct Hop {
  InternetHandle connection;
  InternetHandle request;
  int status = 0;
};

std::expected<Hop, Error> SendHop(HINTERNET session, const Request& request, const UrlParts& parts, Verb verb) {
  const bool secure = parts.scheme == "https";
  Hop hop;
  const std::wstring host = Widen(parts.host);
  hop.connection.reset(::InternetConnectW(session, host.c_str(), static_cast<INTERNET_PORT>(parts.port), nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!hop.connection) return std::unexpected(LastInternetError());
  SetTimeouts(hop.connection.get(), request);
  const std::wstring object = Widen(parts.object);
  hop.request.reset(::HttpOpenRequestW(hop.connection.get(), verb == Verb::kPost ? L"POST" : L"GET", object.c_str(),
                                       nullptr, nullptr, nullptr, RequestFlags(request, secure), 0));
  if (!hop.request) return std::unexpected(LastInternetError());
  SetTimeouts(hop.request.get(), request);
  const std::wstring headers = HeaderBlock(request);
  if (!::HttpSendRequestW(hop.request.get(), headers.empty() ? nullptr : headers.c_str(),
                          static_cast<DWORD>(headers.size()), nullptr, 0)) {
    return std::unexpected(LastInternetError());
  }
  std::optional<int> status = StatusCode(hop.request.get());
  if (!status) return std::unexpected(LastInternetError());
  hop.status = *status;
  return hop;
}

// POST turns into GET where browsers and libcurl turn it: on 303 always,
// on 301 and 302 too; 307 and 308 repeat the request as it was.
Verb VerbAfterRedirect(Verb verb, int status) {
  return (status == 301 || status == 302 || status == kStatusSeeOther) ? Verb::kGet : verb;
}

// The receiver's pieces are cut from larger reads: every InternetReadFile
// that WinINet cannot serve from its own buffer is a socket receive, and
// under Wine each receive is a round trip to wineserver. A 4 KiB read per
// piece made the body of 1 MiB cost about 36 ms there, against about 10 ms
// with 64 KiB reads.
constexpr size_t kReadBlock = 64 * 1024;

std::expected<void, Error> ReadBody(HINTERNET request, IResponseReceiver& receiver) {
  std::vector<uint8_t> block(kReadBlock);
  for (;;) {
    DWORD read = 0;
    if (!::InternetReadFile(request, block.data(), static_cast<DWORD>(block.size()), &read)) {
      return std::unexpected(LastInternetError());
    }
    if (read == 0) return {};
    for (DWORD offset = 0; offset < read;) {
      const DWORD piece = std::min<DWORD>(read - offset, static_cast<DWORD>(kReadPiece));
      if (!receiver.OnBody({block.data() + offset, piece})) return {};
      offset += piece;
    }
  }
}

}  // namespace

struct Session::State {
  InternetHandle preconfigured;  // the user's proxy settings
  InternetHandle direct;
};

Session::Session(std::unique_ptr<State> state) : m_state(std::move(state)) {}
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;
Session::~Session() = default;

std::expected<Session, Error> Session::Open() {
  auto state = std::make_unique<State>();
  state->preconfigured.reset(::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!state->preconfigured) return std::unexpected(LastInternetError());
  state->direct.reset(::InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!state->direct) return std::unexpected(LastInternetError());
  return Session(std::move(state));
}

std::expected<void, Error> Session::Send(const Request& request, IResponseReceiver& receiver) {
  HINTERNET session = request.bDirect ? m_state->direct.get() : m_state->preconfigured.get();
  std::string url = request.url;
  Verb verb = request.verb;
  for (int redirects = 0;; ++redirects) {
    std::optional<UrlParts> parts = CrackUrl(url);
    if (!parts || (parts->scheme != "http" && parts->scheme != "https")) {
      return std::unexpected(Refusal(kErrorInternetUnrecognizedScheme));
    }
    std::expected<Hop, Error> hop = SendHop(session, request, *parts, verb);
    if (!hop) return std::unexpected(hop.error());
    if (request.bFollowRedirects && IsRedirect(hop->status)) {
      std::optional<std::string> target = RedirectTarget(hop->request.get(), url);
      if (target) {
        std::optional<UrlParts> next = CrackUrl(*target);
        const bool downgrade = parts->scheme == "https" && (!next || next->scheme != "https");
        if (redirects >= kMaxRedirects || downgrade) return std::unexpected(Refusal(kErrorHttpRedirectFailed));
        url = std::move(*target);
        verb = VerbAfterRedirect(verb, hop->status);
        continue;
      }
    }
    if (!receiver.OnResponse(hop->status, ContentLength(hop->request.get()))) return {};
    return ReadBody(hop->request.get(), receiver);
  }
}

}  // namespace platform::http
