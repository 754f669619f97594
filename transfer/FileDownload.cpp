#include "transfer/FileDownload.h"

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "platform/http/HttpClient.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "transfer/FileSink.h"
#include "transfer/TransferCodes.h"

namespace {

namespace http = platform::http;

constexpr char kContentType[] = "Content-Type: application/x-www-form-urlencoded";

// The item form gives up when connecting, sending or receiving makes no
// progress for 3 seconds; the quiet form and the probe keep the network
// layer's defaults.
constexpr uint32_t kItemTimeoutMs = 3000;

bool IsHttpScheme(const std::string& scheme) { return scheme == "http" || scheme == "https"; }

// The probe wants only the announced length; it ends the request as soon as
// the answer is there, before the body.
class CLengthProbe : public http::IResponseReceiver {
 public:
  bool OnResponse(int /*status*/, std::optional<uint64_t> contentLength) override {
    m_nLength = contentLength.value_or(0);
    return false;
  }
  bool OnBody(std::span<const uint8_t> /*data*/) override { return false; }
  uint64_t Length() const { return m_nLength; }

 private:
  uint64_t m_nLength = 0;
};

// One transfer into a sink, with the lines of its form.
class CTransfer : public http::IResponseReceiver {
 public:
  CTransfer(const std::string& url, IDownloadSink& sink, const DownloadOptions& options)
      : m_strUrl(url), m_sink(sink), m_options(options) {}

  int Run();

  bool OnResponse(int status, std::optional<uint64_t> contentLength) override;
  bool OnBody(std::span<const uint8_t> data) override;

 private:
  enum class Abort { kNone, kStatus, kSinkOpen, kSinkWrite };

  // The steps of Run. A step that ends the transfer returns its result
  // (its report lines written); nothing means go on.
  std::optional<int> CheckUrl(http::UrlParts& parts);
  std::optional<int> ProbeSize();
  std::optional<int> OpenSession();
  http::Request PrepareRequest(const http::UrlParts& parts);
  std::optional<int> Receive(const http::Request& request);
  std::optional<int> CheckAnswer();
  int Finish();

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
  std::optional<http::Session> m_session;
  int m_nStatus = 0;
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

// Only a 200 answer opens the sink; any other status is told by CheckAnswer.
bool CTransfer::OnResponse(int status, std::optional<uint64_t> /*contentLength*/) {
  m_nStatus = status;
  if (status != 200) {
    m_abort = Abort::kStatus;
    return false;
  }
  if (!OpenSink()) {
    m_abort = Abort::kSinkOpen;
    return false;
  }
  return true;
}

bool CTransfer::OnBody(std::span<const uint8_t> data) {
  if (!m_sink.Write(data, m_strSinkError)) {
    m_abort = Abort::kSinkWrite;
    return false;
  }
  m_nReceived += data.size();
  Progress();
  return true;
}

int CTransfer::Run() {
  Trace("FileDownload()");
  Report("--FileDownload Start\r\n");
  http::UrlParts parts;
  if (std::optional<int> result = CheckUrl(parts)) return *result;
  if (std::optional<int> result = ProbeSize()) return *result;
  if (std::optional<int> result = OpenSession()) return *result;
  const http::Request request = PrepareRequest(parts);
  if (std::optional<int> result = Receive(request)) return *result;
  if (std::optional<int> result = CheckAnswer()) return *result;
  return Finish();
}

// The URL is looked at before the probe: the probe only asks http and https
// servers, so a refused scheme would otherwise pass for a file of size zero.
std::optional<int> CTransfer::CheckUrl(http::UrlParts& parts) {
  std::optional<http::UrlParts> cracked = http::CrackUrl(m_strUrl);
  if (!cracked) {
    Report("--FileDownload Parse URL fail.\r\n");
    Exception(nullptr);
    return Failed();
  }
  parts = *cracked;
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

std::optional<int> CTransfer::OpenSession() {
  std::expected<http::Session, http::Error> session = http::Session::Open();
  if (!session) {
    Exception(&session.error().text);
    return Failed();
  }
  m_session.emplace(std::move(*session));
  return std::nullopt;
}

// The item form's request: its time-outs, its server line, and a POST with an
// empty body over https (GET over http).
http::Request CTransfer::PrepareRequest(const http::UrlParts& parts) {
  http::Request request;
  request.url = m_strUrl;
  request.headers.emplace_back(kContentType);
  if (m_options.bItemForm) {
    request.nConnectTimeoutMs = kItemTimeoutMs;
    request.nIdleTimeoutMs = kItemTimeoutMs;
  }
  if (m_options.bItemForm && m_options.pReport != nullptr) {
    m_options.pReport->AppendLine("--FileDownload Server [%s:%d]\r\n", parts.host.c_str(), parts.port);
  }
  request.verb = parts.scheme == "https" ? http::Verb::kPost : http::Verb::kGet;
  return request;
}

// Sends the request and receives the body into the sink.
std::optional<int> CTransfer::Receive(const http::Request& request) {
  std::expected<void, http::Error> sent = m_session->Send(request, *this);
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
  if (!sent) {
    Exception(&sent.error().text);
    return Failed();
  }
  return std::nullopt;
}

// A server that sent no 200: its status says why.
std::optional<int> CTransfer::CheckAnswer() {
  if (m_bOpened) return std::nullopt;
  if (m_nStatus == 500) {
    Trace("SendRequest Fail. 500");
    Report("--FileDownload SendRequest Fail. 500\r\n");
  } else if (m_nStatus == 404) {
    Trace("SendRequest Fail. File Not Found");
    Report("--FileDownload SendRequest Fail. File Not Found\r\n");
  }
  Exception(nullptr);
  return Failed();
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
  std::optional<http::UrlParts> parts = http::CrackUrl(url);
  if (!parts || !IsHttpScheme(parts->scheme)) return 0;
  std::expected<http::Session, http::Error> session = http::Session::Open();
  if (!session) return 0;
  http::Request request;
  request.url = url;
  // The probe always goes direct, whatever proxy the user has set.
  request.bDirect = true;
  CLengthProbe probe;
  if (!session->Send(request, probe)) return 0;
  return probe.Length();
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
