#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// HTTP and HTTPS requests in the manner of WinINet: a session, one request
// at a time sent over it, the status and announced length of the answer, and
// its body read in pieces. Blocking; a session belongs to one thread.
namespace platform::http {

// The WinINet numbers a failed request reports.
inline constexpr Win32Error kErrorInternetTimeout = 12002;
inline constexpr Win32Error kErrorInternetInternalError = 12004;
inline constexpr Win32Error kErrorInternetUnrecognizedScheme = 12006;
inline constexpr Win32Error kErrorInternetNameNotResolved = 12007;
inline constexpr Win32Error kErrorInternetCannotConnect = 12029;
inline constexpr Win32Error kErrorInternetConnectionReset = 12031;
inline constexpr Win32Error kErrorInternetSecCertDateInvalid = 12037;
inline constexpr Win32Error kErrorInternetSecCertCnInvalid = 12038;
inline constexpr Win32Error kErrorInternetInvalidCa = 12045;
inline constexpr Win32Error kErrorInternetSecCertRevFailed = 12057;
inline constexpr Win32Error kErrorHttpRedirectFailed = 12156;
inline constexpr Win32Error kErrorInternetSecureFailure = 12175;

// A piece of the body is never longer than this (InternetReadFile's buffer).
inline constexpr size_t kReadPiece = 4096;
// Redirects followed before a request fails.
inline constexpr int kMaxRedirects = 10;
// Without time-outs of its own a request still ends: a server that connects
// within a minute and then says nothing for half a minute is given up.
inline constexpr uint32_t kDefaultConnectTimeoutMs = 60000;
inline constexpr uint32_t kDefaultIdleTimeoutMs = 30000;

// The parts of a URL a connection is made from (InternetCrackUrlW).
struct UrlParts {
  std::string scheme;  // lower case, "http", "https", ...
  std::string host;
  int port = 0;  // the scheme's default port when the URL names none
  std::string object = "/";  // path and query, as the request line names them
};

// Nullopt when the URL cannot be parsed, names no host, a port outside
// 1..65535, or holds a blank or control character.
std::optional<UrlParts> CrackUrl(std::string_view url);

enum class Verb {
  kGet,
  kPost,  // with an empty body
};

struct Request {
  std::string url;  // http or https; other schemes fail the request
  Verb verb = Verb::kGet;
  // Added header lines, "Name: value" without a line end.
  std::vector<std::string> headers;
  // Reload: no local or proxy cache answers, nothing is cached.
  bool bNoCache = true;
  // Up to kMaxRedirects, and from https only to https: one more, or one to
  // plain http, fails the request with kErrorHttpRedirectFailed. Unfollowed,
  // a redirect is the answer.
  bool bFollowRedirects = true;
  // No proxy, whatever the user has set; otherwise the user's proxy settings.
  bool bDirect = false;
  // Connecting, and then any stretch without a byte moving, may take this
  // long before the request fails with kErrorInternetTimeout.
  uint32_t nConnectTimeoutMs = kDefaultConnectTimeoutMs;
  uint32_t nIdleTimeoutMs = kDefaultIdleTimeoutMs;
  // HTTPS servers are always verified (certificate chain against the
  // system's trusted roots, and host name); one that does not verify fails
  // the request: kErrorInternetInvalidCa for a chain to a root not trusted,
  // kErrorInternetSecCertRevFailed (WinINet's word) for a certificate whose
  // issuer is nowhere to be found, kErrorInternetSecCertCnInvalid for another
  // host's certificate.
};

// What the caller does with the answer, called on the sending thread.
class IResponseReceiver {
 public:
  virtual ~IResponseReceiver() = default;
  // The final answer (after redirects): its status and the Content-Length it
  // announces (nullopt without one). Called once, before any body, whenever
  // the server answered. False ends the request there.
  virtual bool OnResponse(int status, std::optional<uint64_t> contentLength) = 0;
  // The next piece of the body, at most kReadPiece bytes. False ends the
  // request there.
  virtual bool OnBody(std::span<const uint8_t> data) = 0;
};

struct Error {
  Win32Error code = kErrorSuccess;
  std::string text;  // the network layer's own words, for reports
};

// An internet session (InternetOpenW): what requests share.
class Session {
 public:
  // Fails only when the network layer cannot be set up (out of memory).
  static std::expected<Session, Error> Open();

  Session(Session&&) noexcept;
  Session& operator=(Session&&) noexcept;
  ~Session();

  // Sends the request and hands the answer to the receiver. Succeeds when the
  // server answered and the body ended, also when the connection closed
  // before the announced length (the caller counts what arrived) and when
  // the receiver ended the request. Fails on a refused URL, a name that does
  // not resolve, a server that cannot be reached or does not verify, too
  // many redirects, a time-out or a broken connection; OnResponse may have
  // been called by then.
  std::expected<void, Error> Send(const Request& request, IResponseReceiver& receiver);

 private:
  struct State;
  explicit Session(std::unique_ptr<State> state);
  std::unique_ptr<State> m_state;
};

}  // namespace platform::http
