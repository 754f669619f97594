#include "transfer/FileDownload.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/trust/SystemStores.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "transfer/FileSink.h"
#include "transfer/OpenSslHandles.h"
#include "transfer/TransferCodes.h"

namespace {

constexpr char kUserAgent[] = "VamoSetup";
constexpr char kContentType[] = "Content-Type: application/x-www-form-urlencoded";
// Reload, do not cache: a repaired file is always fetched fresh, also
// through a proxy cache.
constexpr const char* kNoCacheHeaders[] = {"Cache-Control: no-cache", "Pragma: no-cache"};
constexpr size_t kReadPiece = 4096;
constexpr long kMaxRedirects = 10;

// The item form gives up when connecting, sending or receiving makes no
// progress for 3 seconds. Without a time-out of its own (the quiet form,
// the probe) a transfer still ends: a server that connects within a minute
// and then says nothing for half a minute is given up.
constexpr long kItemTimeoutMs = 3000;
constexpr long kDefaultConnectTimeoutMs = 60000;
constexpr long kDefaultStallMs = 30000;
// What a timed-out transfer reports, as the Windows network layer words it.
constexpr char kTimeoutText[] = "The operation timed out";

// Ends a transfer that has moved no byte for longer than the limit. libcurl's
// own low-speed check averages over several seconds, so after a burst it
// notices a stall only long after the time-out.
class IdleGuard {
 public:
  explicit IdleGuard(long limitMs) : m_limit(limitMs) {}

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
struct UrlFree {
  void operator()(CURLU* p) const { curl_url_cleanup(p); }
};
struct CurlStringFree {
  void operator()(char* p) const { curl_free(p); }
};
using Curl = std::unique_ptr<CURL, CurlFree>;
using Slist = std::unique_ptr<curl_slist, SlistFree>;
using Url = std::unique_ptr<CURLU, UrlFree>;
using CurlString = std::unique_ptr<char, CurlStringFree>;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The parts of the URL the transfer needs; `valid` is false when it cannot
// be parsed.
struct UrlParts {
  bool valid = false;
  std::string scheme;
  std::string host;
  long port = 0;
};

UrlParts ParseUrl(const std::string& url) {
  UrlParts parts;
  Url handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return parts;
  char* text = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_SCHEME, &text, 0) != CURLUE_OK) return parts;
  parts.scheme = CurlString(text).get();
  if (curl_url_get(handle.get(), CURLUPART_HOST, &text, 0) != CURLUE_OK) return parts;
  parts.host = CurlString(text).get();
  if (curl_url_get(handle.get(), CURLUPART_PORT, &text, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    parts.port = std::strtol(CurlString(text).get(), nullptr, 10);
  }
  parts.valid = !parts.host.empty();
  return parts;
}

bool IsHttpScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

// Adds every certificate of the system's ROOT store to the store libcurl
// has already filled from its CA bundle.
CURLcode AddSystemRoots(CURL* /*curl*/, void* sslContext, void* /*user*/) {
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
  for (const std::vector<uint8_t>& der :
       platform::trust::ReadSystemStoreCertificates(platform::trust::SystemStore::kRoot)) {
    if (der.size() > static_cast<size_t>(LONG_MAX)) continue;
    const unsigned char* cursor = der.data();
    if (X509* cert = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()))) {
      X509_STORE_add_cert(store, cert);
      X509_free(cert);
    }
  }
  // What the additions left on the error queue is no failure of the transfer.
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

// Settings the probe and the transfer share.
Slist CommonOptions(CURL* handle, const std::string& url, bool secure, char* errorBuffer) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  // A secure request is never redirected to plain http.
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, AddSystemRoots);
  // A cached store would outlive a change of the system's roots.
  curl_easy_setopt(handle, CURLOPT_CA_CACHE_TIMEOUT, 0L);
  Slist headers;
  for (const char* header : kNoCacheHeaders) AppendHeader(headers, header);
  return headers;
}

size_t StopAtBody(char* /*data*/, size_t /*size*/, size_t /*count*/, void* /*user*/) { return 0; }

// One transfer into a sink, with the lines of its form.
class CTransfer {
 public:
  CTransfer(const std::string& url, IDownloadSink& sink, const DownloadOptions& options)
      : m_strUrl(url), m_sink(sink), m_options(options) {}

  int Run();

 private:
  enum class Abort { kNone, kStatus, kSinkOpen, kSinkWrite };

  // The steps of Run. A step that ends the transfer returns its result
  // (its report lines written); nothing means go on.
  std::optional<int> CheckUrl(UrlParts& parts);
  std::optional<int> ProbeSize();
  std::optional<int> OpenHandle();
  void PrepareRequest(const UrlParts& parts);
  std::optional<int> Receive();
  std::optional<int> CheckAnswer();
  int Finish();

  static size_t OnBody(char* data, size_t size, size_t count, void* user);
  size_t Body(const uint8_t* data, size_t length);
  bool OpenSink();
  void Progress() const;
  void Report(const char* format, const char* text = nullptr) const;
  // The failure of a transfer step; `text` is the network or file error's
  // text when there is one.
  void Exception(const std::string* text);
  int SinkOpenFailed();
  // Discards the sink, writes the end line and returns -9101.
  int Failed();

  const std::string& m_strUrl;
  IDownloadSink& m_sink;
  const DownloadOptions& m_options;
  Curl m_handle;
  CURL* m_pHandle = nullptr;
  Slist m_headers;
  char m_szError[CURL_ERROR_SIZE] = {};
  std::optional<IdleGuard> m_idle;
  uint64_t m_nExpected = 0;
  uint64_t m_nReceived = 0;
  bool m_bOpened = false;
  Abort m_abort = Abort::kNone;
  std::string m_strSinkError;
};

void CTransfer::Report(const char* format, const char* text) const {
  if (!m_options.bItemForm || m_options.pReport == nullptr) return;
  if (text != nullptr) {
    m_options.pReport->AppendLine(format, text);
  } else {
    m_options.pReport->AppendLine("%s", format);
  }
}

void CTransfer::Progress() const {
  if (m_options.bItemForm && m_options.progress) {
    m_options.progress(kProgressLabel, m_options.strDisplayName, m_nReceived, m_nExpected);
  }
}

void CTransfer::Exception(const std::string* text) {
  if (text != nullptr) {
    Trace("FileDownload fail...[%s]", text->c_str());
    Report("--FileDownload Exception...[%s]\r\n", text->c_str());
  } else {
    Report("--FileDownload Exception...\r\n");
    Trace("FileDownload fail...");
  }
}

int CTransfer::SinkOpenFailed() {
  Trace(m_options.bItemForm ? "FileDownload File Open Fail.[%s]" : "File Open Fail.[%s]", m_strSinkError.c_str());
  Report("--FileDownload File Open Fail...[%s]\r\n", m_strSinkError.c_str());
  Exception(nullptr);
  return Failed();
}

int CTransfer::Failed() {
  m_sink.Discard();
  Report("--FileDownload End.\r\n");
  return kErrDownloadFail;
}

bool CTransfer::OpenSink() {
  if (!m_sink.Open(m_strSinkError)) return false;
  m_bOpened = true;
  Progress();
  return true;
}

size_t CTransfer::OnBody(char* data, size_t size, size_t count, void* user) {
  return static_cast<CTransfer*>(user)->Body(reinterpret_cast<const uint8_t*>(data), size * count);
}

size_t CTransfer::Body(const uint8_t* data, size_t length) {
  if (!m_bOpened) {
    long status = 0;
    curl_easy_getinfo(m_pHandle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
      m_abort = Abort::kStatus;
      return 0;
    }
    if (!OpenSink()) {
      m_abort = Abort::kSinkOpen;
      return 0;
    }
  }
  for (size_t offset = 0; offset < length; offset += kReadPiece) {
    size_t piece = std::min(kReadPiece, length - offset);
    if (!m_sink.Write({data + offset, piece}, m_strSinkError)) {
      m_abort = Abort::kSinkWrite;
      return 0;
    }
    m_nReceived += piece;
    Progress();
  }
  return length;
}

int CTransfer::Run() {
  Trace("FileDownload()");
  Report("--FileDownload Start\r\n");
  UrlParts parts;
  if (std::optional<int> result = CheckUrl(parts)) return *result;
  if (std::optional<int> result = ProbeSize()) return *result;
  if (std::optional<int> result = OpenHandle()) return *result;
  PrepareRequest(parts);
  if (std::optional<int> result = Receive()) return *result;
  if (std::optional<int> result = CheckAnswer()) return *result;
  return Finish();
}

// The URL is looked at before the probe: the probe only asks http and https
// servers, so a refused scheme would otherwise pass for a file of size zero.
std::optional<int> CTransfer::CheckUrl(UrlParts& parts) {
  parts = ParseUrl(m_strUrl);
  if (!parts.valid) {
    Report("--FileDownload Parse URL fail.\r\n");
    Exception(nullptr);
    return Failed();
  }
  if (!IsHttpScheme(parts.scheme)) {
    Report("--FileDownload Protocol incorrect.\r\n");
    Exception(nullptr);
    return Failed();
  }
  return std::nullopt;
}

std::optional<int> CTransfer::ProbeSize() {
  m_nExpected = ProbeFileSize(m_strUrl);
  if (m_nExpected != 0) return std::nullopt;
  Report("--FileDownload File size is zero.\r\n");
  m_sink.Discard();
  Report("--FileDownload End.\r\n");
  return kErrDownloadFail;
}

std::optional<int> CTransfer::OpenHandle() {
  GlobalInit();
  m_handle.reset(curl_easy_init());
  if (!m_handle) {
    std::string text = curl_easy_strerror(CURLE_OUT_OF_MEMORY);
    Exception(&text);
    return Failed();
  }
  m_pHandle = m_handle.get();
  return std::nullopt;
}

// The item form's request: its time-outs, its server line, and a POST with an
// empty body over https (GET over http), whose body goes to Body().
void CTransfer::PrepareRequest(const UrlParts& parts) {
  m_headers = CommonOptions(m_pHandle, m_strUrl, parts.scheme == "https", m_szError);
  AppendHeader(m_headers, kContentType);
  curl_easy_setopt(m_pHandle, CURLOPT_HTTPHEADER, m_headers.get());
  curl_easy_setopt(m_pHandle, CURLOPT_CONNECTTIMEOUT_MS,
                   m_options.bItemForm ? kItemTimeoutMs : kDefaultConnectTimeoutMs);
  m_idle.emplace(m_options.bItemForm ? kItemTimeoutMs : kDefaultStallMs);
  m_idle->Install(m_pHandle);
  if (m_options.bItemForm && m_options.pReport != nullptr) {
    m_options.pReport->AppendLine("--FileDownload Server [%s:%ld]\r\n", parts.host.c_str(), parts.port);
  }
  if (parts.scheme == "https") {
    curl_easy_setopt(m_pHandle, CURLOPT_POST, 1L);
    curl_easy_setopt(m_pHandle, CURLOPT_POSTFIELDS, "");
    curl_easy_setopt(m_pHandle, CURLOPT_POSTFIELDSIZE, 0L);
  } else {
    curl_easy_setopt(m_pHandle, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(m_pHandle, CURLOPT_WRITEFUNCTION, &CTransfer::OnBody);
  curl_easy_setopt(m_pHandle, CURLOPT_WRITEDATA, this);
}

// Sends the request and receives the body into the sink.
std::optional<int> CTransfer::Receive() {
  const CURLcode rc = curl_easy_perform(m_pHandle);
  switch (m_abort) {
    case Abort::kSinkOpen:
      return SinkOpenFailed();
    case Abort::kSinkWrite:
      Exception(&m_strSinkError);
      return Failed();
    case Abort::kStatus:
    case Abort::kNone:
      break;
  }
  // The server closing the connection before the announced length is the
  // end of the body, as the size check in Finish will tell.
  if (m_idle->Expired()) {
    std::string text = kTimeoutText;
    Exception(&text);
    return Failed();
  }
  const bool answered = m_abort == Abort::kStatus || rc == CURLE_OK || rc == CURLE_PARTIAL_FILE;
  if (!answered) {
    std::string text = m_szError[0] != '\0' ? m_szError : curl_easy_strerror(rc);
    Exception(&text);
    return Failed();
  }
  return std::nullopt;
}

// A server that sent no body: its status says why.
std::optional<int> CTransfer::CheckAnswer() {
  if (m_bOpened) return std::nullopt;
  long status = 0;
  curl_easy_getinfo(m_pHandle, CURLINFO_RESPONSE_CODE, &status);
  if (status == 500) {
    Trace("SendRequest Fail. 500");
    Report("--FileDownload SendRequest Fail. 500\r\n");
  } else if (status == 404) {
    Trace("SendRequest Fail. File Not Found");
    Report("--FileDownload SendRequest Fail. File Not Found\r\n");
  }
  if (status != 200) {
    Exception(nullptr);
    return Failed();
  }
  // 200 with an empty body: the file is created, then found short.
  if (!OpenSink()) return SinkOpenFailed();
  return std::nullopt;
}

// Keeps the file only when every announced byte arrived.
int CTransfer::Finish() {
  if (m_nReceived != m_nExpected) {
    m_sink.Discard();
    Report("--FileDownload File Size incorrect.\r\n");
    return kErrDownloadFail;
  }
  if (!m_sink.Commit(m_strSinkError)) {
    Exception(&m_strSinkError);
    return Failed();
  }
  Report("--FileDownload End.\r\n");
  return 0;
}

}  // namespace

uint64_t ProbeFileSize(const std::string& url) {
  UrlParts parts = ParseUrl(url);
  if (!parts.valid || !IsHttpScheme(parts.scheme)) return 0;
  GlobalInit();
  Curl handle(curl_easy_init());
  if (!handle) return 0;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  Slist headers = CommonOptions(handle.get(), url, parts.scheme == "https", errorBuffer);
  curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, headers.get());
  // The probe always goes direct, whatever proxy the user has set.
  curl_easy_setopt(handle.get(), CURLOPT_NOPROXY, "*");
  curl_easy_setopt(handle.get(), CURLOPT_CONNECTTIMEOUT_MS, kDefaultConnectTimeoutMs);
  IdleGuard idle(kDefaultStallMs);
  idle.Install(handle.get());
  // Only the headers are wanted; the first byte of the body ends the request.
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, StopAtBody);
  CURLcode rc = curl_easy_perform(handle.get());
  if (rc != CURLE_OK && rc != CURLE_WRITE_ERROR && rc != CURLE_PARTIAL_FILE) return 0;
  curl_off_t length = -1;
  if (curl_easy_getinfo(handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length < 0) {
    return 0;
  }
  return static_cast<uint64_t>(length);
}

int FileDownloadTo(const std::string& url, IDownloadSink& sink, const DownloadOptions& options) {
  CTransfer transfer(url, sink, options);
  return transfer.Run();
}

int FileDownload(const std::string& url, const std::string& localPath, const std::string& displayName,
                 IReportSink* report, const DownloadProgress& progress) {
  CFileSink sink(localPath);
  DownloadOptions options;
  options.bItemForm = true;
  options.strDisplayName = displayName;
  options.pReport = report;
  options.progress = progress;
  return FileDownloadTo(url, sink, options);
}

int FileDownload(const std::string& url, const std::string& localPath) {
  CFileSink sink(localPath);
  return FileDownloadTo(url, sink, DownloadOptions{});
}
