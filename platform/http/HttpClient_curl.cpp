#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>

#include "platform/http/HttpClient.h"
#include "platform/http/ProxySettings.h"
#include "platform/trust/SystemStores.h"

namespace platform::http {
namespace {

constexpr char kUserAgent[] = "VamoSetup";
// Reload, do not cache: the answer comes from the server, also through a
// proxy cache.
constexpr const char* kNoCacheHeaders[] = {"Cache-Control: no-cache", "Pragma: no-cache"};
// What a timed-out request reports, as the Windows network layer words it.
constexpr char kTimeoutText[] = "The operation timed out";

// Ends a request that has moved no byte for longer than the limit. libcurl's
// own low-speed check averages over several seconds, so after a burst it
// notices a stall only long after the time-out.
class IdleGuard {
 public:
  explicit IdleGuard(uint32_t limitMs) : m_limit(limitMs) {}

  void Install(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &IdleGuard::OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  }
  bool Expired() const { return m_bExpired; }

 private:
  static int OnProgress(void* user, curl_off_t /*downTotal*/, curl_off_t downNow, curl_off_t /*upTotal*/,
                        curl_off_t upNow) {
    auto* guard = static_cast<IdleGuard*>(user);
    auto now = std::chrono::steady_clock::now();
    if (downNow + upNow != guard->m_nMoved) {
      guard->m_nMoved = downNow + upNow;
      guard->m_last = now;
      return 0;
    }
    if (now - guard->m_last > guard->m_limit) {
      guard->m_bExpired = true;
      return 1;
    }
    return 0;
  }

  std::chrono::milliseconds m_limit;
  std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
  curl_off_t m_nMoved = 0;
  bool m_bExpired = false;
};

struct CurlFree {
  void operator()(CURL* p) const { curl_easy_cleanup(p); }
};
struct SlistFree {
  void operator()(curl_slist* p) const { curl_slist_free_all(p); }
};
using Curl = std::unique_ptr<CURL, CurlFree>;
using Slist = std::unique_ptr<curl_slist, SlistFree>;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Adds every certificate of the system's ROOT store to the store libcurl
// has already filled from its CA bundle.
CURLcode AddSystemRoots(CURL* /*curl*/, void* sslContext, void* /*user*/) {
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
  for (const std::vector<uint8_t>& der : trust::ReadSystemStoreCertificates(trust::SystemStore::kRoot)) {
    if (der.size() > static_cast<size_t>(LONG_MAX)) continue;
    const unsigned char* cursor = der.data();
    if (X509* cert = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()))) {
      X509_STORE_add_cert(store, cert);
      X509_free(cert);
    }
  }
  // What the additions left on the error queue is no failure of the request.
  ERR_clear_error();
  return CURLE_OK;
}

// curl_slist_append returns the head of the list (a new one for an empty
// list) or null when out of memory, leaving the list as it was.
void AppendHeader(Slist& headers, const char* header) {
  curl_slist* head = curl_slist_append(headers.get(), header);
  if (head != nullptr && head != headers.get()) {
    (void)headers.release();
    headers.reset(head);
  }
}

// The WinINet number closest to what libcurl reports.
Win32Error ErrorCode(CURLcode rc) {
  switch (rc) {
    case CURLE_OUT_OF_MEMORY:
      return kErrorNotEnoughMemory;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return kErrorInternetUnrecognizedScheme;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kErrorInternetNameNotResolved;
    case CURLE_COULDNT_CONNECT:
      return kErrorInternetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kErrorInternetTimeout;
    case CURLE_TOO_MANY_REDIRECTS:
      return kErrorHttpRedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
      return kErrorInternetSecureFailure;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return kErrorInternetConnectionReset;
    default:
      return kErrorInternetInternalError;
  }
}

// libcurl reports every certificate that does not verify alike; OpenSSL's
// verdict on the chain tells WinINet's cases apart. A chain that verified
// leaves only the host name (OpenSSL 3 then reports X509_V_ERR_UNSPECIFIED).
Win32Error CertificateError(CURL* handle) {
  long verdict = X509_V_OK;
  curl_easy_getinfo(handle, CURLINFO_SSL_VERIFYRESULT, &verdict);
  switch (verdict) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return kErrorInternetSecCertDateInvalid;
    // WinINet reports a chain it cannot complete as a failed revocation
    // check, since it cannot ask the missing issuer.
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return kErrorInternetSecCertRevFailed;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
      return kErrorInternetInvalidCa;
    default:
      return kErrorInternetSecCertCnInvalid;
  }
}

std::string Scheme(const std::string& url) { return CrackUrl(url).value_or(UrlParts{}).scheme; }

bool IsWebScheme(const std::string& url) {
  const std::string scheme = Scheme(url);
  return scheme == "http" || scheme == "https";
}

// Hands libcurl's answer to the receiver: the status before the first byte of
// the body, the body in pieces of at most kReadPiece.
class AnswerRelay {
 public:
  AnswerRelay(CURL* handle, IResponseReceiver& receiver) : m_pHandle(handle), m_receiver(receiver) {}

  static size_t OnBody(char* data, size_t size, size_t count, void* user) {
    return static_cast<AnswerRelay*>(user)->Body(reinterpret_cast<const uint8_t*>(data), size * count);
  }

  // For an answer without a body, once the request is done.
  void Announce() {
    if (!m_bAnnounced) Respond();
  }
  bool Stopped() const { return m_bStopped; }

 private:
  bool Respond() {
    m_bAnnounced = true;
    long status = 0;
    curl_easy_getinfo(m_pHandle, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    std::optional<uint64_t> announced;
    if (curl_easy_getinfo(m_pHandle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0) {
      announced = static_cast<uint64_t>(length);
    }
    return m_receiver.OnResponse(static_cast<int>(status), announced);
  }

  size_t Body(const uint8_t* data, size_t length) {
    if (!m_bAnnounced && !Respond()) return Stop();
    for (size_t offset = 0; offset < length; offset += kReadPiece) {
      if (!m_receiver.OnBody({data + offset, std::min(kReadPiece, length - offset)})) return Stop();
    }
    return length;
  }

  size_t Stop() {
    m_bStopped = true;
    return 0;
  }

  CURL* m_pHandle;
  IResponseReceiver& m_receiver;
  bool m_bAnnounced = false;
  bool m_bStopped = false;
};

}  // namespace

struct Session::State {
  Curl handle;
  char szError[CURL_ERROR_SIZE] = {};
};

Session::Session(std::unique_ptr<State> state) : m_state(std::move(state)) {}
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;
Session::~Session() = default;

std::expected<Session, Error> Session::Open() {
  GlobalInit();
  auto state = std::make_unique<State>();
  state->handle.reset(curl_easy_init());
  if (!state->handle) return std::unexpected(Error{kErrorNotEnoughMemory, curl_easy_strerror(CURLE_OUT_OF_MEMORY)});
  return Session(std::move(state));
}

std::expected<void, Error> Session::Send(const Request& request, IResponseReceiver& receiver) {
  CURL* handle = m_state->handle.get();
  curl_easy_reset(handle);
  m_state->szError[0] = '\0';
  const bool secure = Scheme(request.url) == "https";

  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_state->szError);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  if (request.bFollowRedirects) {
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    // A secure request is never redirected to plain http.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  }
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, AddSystemRoots);
  // A cached store would outlive a change of the system's roots.
  curl_easy_setopt(handle, CURLOPT_CA_CACHE_TIMEOUT, 0L);

  Slist headers;
  if (request.bNoCache) {
    for (const char* header : kNoCacheHeaders) AppendHeader(headers, header);
  }
  for (const std::string& header : request.headers) AppendHeader(headers, header.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  // The user's proxy comes from the system's settings, as WinINet takes it,
  // never from the environment: an empty name keeps libcurl from reading
  // http_proxy and its kin.
  const UrlParts parts = CrackUrl(request.url).value_or(UrlParts{});
  const std::string proxy = request.bDirect ? std::string() : UserProxyFor(parts.scheme, parts.host).value_or("");
  curl_easy_setopt(handle, CURLOPT_PROXY, proxy.empty() ? "" : ("http://" + proxy).c_str());
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.nConnectTimeoutMs));
  IdleGuard idle(request.nIdleTimeoutMs);
  idle.Install(handle);
  if (request.verb == Verb::kPost) {
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, "");
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, 0L);
  } else {
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  }
  AnswerRelay answer(handle, receiver);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AnswerRelay::OnBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);

  const CURLcode rc = curl_easy_perform(handle);
  if (answer.Stopped()) return {};
  if (idle.Expired()) return std::unexpected(Error{kErrorInternetTimeout, kTimeoutText});
  // The server closing the connection before the announced length is the
  // end of the body, as the Windows network layer sees it.
  if (rc != CURLE_OK && rc != CURLE_PARTIAL_FILE) {
    Win32Error code = rc == CURLE_PEER_FAILED_VERIFICATION ? CertificateError(handle) : ErrorCode(rc);
    // An http or https request refused a scheme only where it was redirected.
    if (rc == CURLE_UNSUPPORTED_PROTOCOL && IsWebScheme(request.url)) code = kErrorHttpRedirectFailed;
    return std::unexpected(Error{code, m_state->szError[0] != '\0' ? m_state->szError : curl_easy_strerror(rc)});
  }
  answer.Announce();
  return {};
}

}  // namespace platform::http
