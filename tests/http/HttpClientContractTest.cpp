#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/http/HttpClient.h"
#include "platform/registry/Registry.h"
#include "tests/http/HttpLab.h"
#include "tests/support/Wine.h"

namespace http = platform::http;

namespace {

// A receive that failed, as Wine reports a time-out.
constexpr platform::Win32Error kErrorInternetConnectionAborted = 12030;

// What http_test_server.py sends for /file/N: byte i is i mod 65536 mod 251.
std::vector<uint8_t> ServerPattern(size_t length) {
  std::vector<uint8_t> bytes(length);
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i % 65536 % 251);
  return bytes;
}

std::string Url(const char* scheme, uint16_t port, const std::string& path) {
  return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
}

// Keeps what arrived, and checks the order the header promises.
class Recorder : public http::IResponseReceiver {
 public:
  bool OnResponse(int status, std::optional<uint64_t> contentLength) override {
    ++nResponses;
    nStatus = status;
    length = contentLength;
    return true;
  }
  bool OnBody(std::span<const uint8_t> data) override {
    if (nResponses != 1) bBodyBeforeResponse = true;
    nLargestPiece = std::max(nLargestPiece, data.size());
    body.insert(body.end(), data.begin(), data.end());
    return true;
  }

  int nResponses = 0;
  int nStatus = 0;
  std::optional<uint64_t> length;
  std::vector<uint8_t> body;
  size_t nLargestPiece = 0;
  bool bBodyBeforeResponse = false;
};

class HttpClientContract : public ::testing::Test {
 protected:
  std::expected<void, http::Error> Send(http::Request request, Recorder& recorder) {
    std::expected<http::Session, http::Error> session = http::Session::Open();
    if (!session) return std::unexpected(session.error());
    return session->Send(request, recorder);
  }
  std::expected<void, http::Error> Get(const std::string& url, Recorder& recorder) {
    http::Request request;
    request.url = url;
    return Send(request, recorder);
  }

  const HttpLab& m_lab = SharedHttpLab();
  TrustedTestRoot m_root;
};

struct AnswerCase {
  const char* name;
  bool bSecure;
  const char* path;
  bool bFollowRedirects;
  int status;
  std::optional<uint64_t> length;
  size_t bodyLength;
};

class HttpClientAnswers : public HttpClientContract, public ::testing::WithParamInterface<AnswerCase> {};

// Whatever the server answered is handed over once, status and announced
// length first, then the body whole in pieces of at most kReadPiece.
TEST_P(HttpClientAnswers, HandOverStatusLengthAndBodyInPieces) {
  const AnswerCase& c = GetParam();
  http::Request request;
  request.url = Url(c.bSecure ? "https" : "http", c.bSecure ? m_lab.https : m_lab.http, c.path);
  request.bFollowRedirects = c.bFollowRedirects;
  Recorder answer;
  std::expected<void, http::Error> sent = Send(request, answer);
  ASSERT_TRUE(sent) << sent.error().code << " " << sent.error().text;
  EXPECT_EQ(answer.nResponses, 1);
  EXPECT_FALSE(answer.bBodyBeforeResponse);
  EXPECT_EQ(answer.nStatus, c.status);
  EXPECT_EQ(answer.length, c.length);
  EXPECT_EQ(answer.body.size(), c.bodyLength);
  EXPECT_LE(answer.nLargestPiece, http::kReadPiece);
  if (c.status == 200) {
    EXPECT_EQ(answer.body, ServerPattern(c.bodyLength));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientAnswers,
    ::testing::Values(AnswerCase{"Announced", false, "/file/70000", true, 200, 70000, 70000},
                      AnswerCase{"NoContentLength", false, "/nolength/9000", true, 200, std::nullopt, 9000},
                      AnswerCase{"NotFoundIsAnAnswer", false, "/status/404", true, 404, 11, 11},
                      AnswerCase{"TenRedirectsAreFollowed", false, "/redirect/10", true, 200, 1000, 1000},
                      AnswerCase{"RedirectUnfollowedIsTheAnswer", false, "/redirect/1", false, 302, 0, 0},
                      AnswerCase{"HttpsWithTrustedRoot", true, "/file/70000", true, 200, 70000, 70000},
                      AnswerCase{"HttpsRedirectToHttps", true, "/redirect/2", true, 200, 1000, 1000}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::string (*url)(const HttpLab& lab);
  platform::Win32Error code;
  // Where Wine 8's WinINet reports another number than Windows'.
  std::optional<platform::Win32Error> wineCode = std::nullopt;
};

class HttpClientFailures : public HttpClientContract, public ::testing::WithParamInterface<FailureCase> {};

// Each failure reports WinINet's number for it, on both systems, and no
// answer is handed over.
TEST_P(HttpClientFailures, ReportWinInetNumbers) {
  const FailureCase& c = GetParam();
  http::Request request;
  request.url = c.url(m_lab);
  request.nConnectTimeoutMs = 2000;
  request.nIdleTimeoutMs = 1000;
  Recorder answer;
  std::expected<void, http::Error> sent = Send(request, answer);
  ASSERT_FALSE(sent) << "status " << answer.nStatus;
  EXPECT_EQ(sent.error().code, RunningUnderWine() ? c.wineCode.value_or(c.code) : c.code) << sent.error().text;
  EXPECT_FALSE(sent.error().text.empty());
  EXPECT_EQ(answer.nResponses, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HttpClientFailures,
    ::testing::Values(
        FailureCase{"ElevenRedirects", [](const HttpLab& lab) { return Url("http", lab.http, "/redirect/11"); },
                    http::kErrorHttpRedirectFailed},
        FailureCase{"HttpsToHttpRedirect",
                    [](const HttpLab& lab) {
                      return Url("https", lab.https,
                                 "/to/http%3A%2F%2F127.0.0.1%3A" + std::to_string(lab.http) + "%2Ffile%2F10");
                    },
                    http::kErrorHttpRedirectFailed},
        FailureCase{"ClosedPort", [](const HttpLab& lab) { return Url("http", lab.closed, "/file/10"); },
                    http::kErrorInternetCannotConnect},
        // Wine's connection layer turns every failed receive, the time-out's
        // too, into ERROR_INTERNET_CONNECTION_ABORTED (dlls/wininet/netconnection.c).
        FailureCase{"SilentServer", [](const HttpLab& lab) { return Url("http", lab.silent, "/file/10"); },
                    http::kErrorInternetTimeout, kErrorInternetConnectionAborted},
        FailureCase{"UntrustedRoot", [](const HttpLab& lab) { return Url("https", lab.untrusted, "/file/10"); },
                    http::kErrorInternetInvalidCa},
        // Wine's own tests, run on Windows, show a chain without its root
        // reported so (dlls/wininet/netconnection.c, netconn_verify_cert).
        FailureCase{"UnknownIssuer", [](const HttpLab& lab) { return Url("https", lab.unknownIssuer, "/file/10"); },
                    http::kErrorInternetSecCertRevFailed},
        FailureCase{"WrongHostName", [](const HttpLab& lab) { return Url("https", lab.wrongName, "/file/10"); },
                    http::kErrorInternetSecCertCnInvalid},
        FailureCase{"OtherScheme", [](const HttpLab& lab) { return Url("ftp", lab.http, "/file/10"); },
                    http::kErrorInternetUnrecognizedScheme}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A receiver that has seen enough ends the request, and that is no failure.
TEST_F(HttpClientContract, ReceiverEndsTheRequest) {
  struct FirstPieceOnly : Recorder {
    bool OnBody(std::span<const uint8_t> data) override {
      Recorder::OnBody(data);
      return false;
    }
  } answer;
  http::Request request;
  request.url = Url("http", m_lab.http, "/file/70000");
  ASSERT_TRUE(Send(request, answer));
  EXPECT_GT(answer.body.size(), 0u);
  EXPECT_LE(answer.body.size(), http::kReadPiece);
}

// The network layer may read more than a piece at a time; the receiver still
// sees the body in order and nothing after it said stop, wherever that falls
// within what was read.
TEST_F(HttpClientContract, ReceiverEndsTheRequestAfterSomePieces) {
  for (int stopAfter : {2, 17}) {
    struct StopAfter : Recorder {
      int nLeft = 0;
      int nPieces = 0;
      bool OnBody(std::span<const uint8_t> data) override {
        Recorder::OnBody(data);
        ++nPieces;
        return --nLeft > 0;
      }
    } answer;
    answer.nLeft = stopAfter;
    http::Request request;
    request.url = Url("http", m_lab.http, "/file/200000");
    ASSERT_TRUE(Send(request, answer));
    EXPECT_EQ(answer.nPieces, stopAfter);
    const std::vector<uint8_t> pattern = ServerPattern(200000);
    ASSERT_LE(answer.body.size(), pattern.size());
    EXPECT_TRUE(std::equal(answer.body.begin(), answer.body.end(), pattern.begin())) << "stop after " << stopAfter;
  }
}

// The user's proxy in the system's internet settings while the object lives.
class UserProxySetting {
 public:
  explicit UserProxySetting(uint16_t port) {
    m_key.Create(platform::RegRoot::kCurrentUser, kInternetSettings);
    m_key.SetDword("ProxyEnable", 1);
    m_key.SetString("ProxyServer", "127.0.0.1:" + std::to_string(port));
    // Windows sends loopback past the proxy unless told otherwise; the lab
    // has nothing but loopback.
    m_key.SetString("ProxyOverride", "<-loopback>");
  }
  ~UserProxySetting() {
    m_key.SetDword("ProxyEnable", 0);
    m_key.DeleteValue("ProxyServer");
    m_key.DeleteValue("ProxyOverride");
  }
  UserProxySetting(const UserProxySetting&) = delete;
  UserProxySetting& operator=(const UserProxySetting&) = delete;

 private:
  static constexpr char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  platform::RegKey m_key;
};

// The line the lab's servers logged for the request whose path holds token.
std::string LoggedRequest(const HttpLab& lab, const std::string& token) {
  std::ifstream log(lab.requestLog);
  std::string line;
  while (std::getline(log, line)) {
    if (line.find(token) != std::string::npos) return line;
  }
  return {};
}

// A request goes through the proxy the user has set, which names itself in
// the Via header the server sees; a direct one never does, nor one to
// loopback while the bypass list does not take loopback out.
TEST_F(HttpClientContract, UserProxyCarriesRequestsUnlessDirect) {
  UserProxySetting proxy(m_lab.proxy);
  const std::string run = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  for (bool bDirect : {false, true}) {
    const std::string token = (bDirect ? "direct-" : "proxied-") + run;
    http::Request request;
    request.url = Url("http", m_lab.http, "/file/100?case=" + token);
    request.bDirect = bDirect;
    Recorder answer;
    std::expected<void, http::Error> sent = Send(request, answer);
    ASSERT_TRUE(sent) << sent.error().code << " " << sent.error().text;
    EXPECT_EQ(answer.nStatus, 200);
    const std::string line = LoggedRequest(m_lab, token);
    ASSERT_FALSE(line.empty()) << token;
    EXPECT_EQ(line.find("Via:") != std::string::npos, !bDirect) << line;
  }
}

TEST_F(HttpClientContract, LoopbackPassesTheProxyByDefault) {
  UserProxySetting proxy(m_lab.proxy);
  platform::RegKey key;
  ASSERT_EQ(key.Open(platform::RegRoot::kCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"),
            platform::kErrorSuccess);
  key.DeleteValue("ProxyOverride");
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine: WinINet has no implicit loopback bypass (dlls/wininet/http.c, HTTP_ShouldBypassProxy "
                    "reads ProxyOverride only)";
  }
  const std::string token = "loopback-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  http::Request request;
  request.url = Url("http", m_lab.http, "/file/100?case=" + token);
  Recorder answer;
  ASSERT_TRUE(Send(request, answer));
  const std::string line = LoggedRequest(m_lab, token);
  ASSERT_FALSE(line.empty()) << token;
  EXPECT_EQ(line.find("Via:"), std::string::npos) << line;
}

}  // namespace
