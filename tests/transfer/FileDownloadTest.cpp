#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/Prefix.h"
#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"
#include "tests/transfer/TransferTestSupport.h"
#include "transfer/FileDownload.h"
#include "transfer/TransferCodes.h"

namespace {

enum class Server { kHttp, kHttpsTrusted, kHttpsUntrusted };

// Report lines to expect; "%PORT%" stands for the server's port and a line
// ending in "*" matches any line that starts with the text before it.
bool LinesMatch(const std::vector<std::string>& actual, std::vector<std::string> expected, uint16_t port) {
  if (actual.size() != expected.size()) return false;
  for (size_t i = 0; i < actual.size(); ++i) {
    std::string& want = expected[i];
    if (size_t at = want.find("%PORT%"); at != std::string::npos) want.replace(at, 6, std::to_string(port));
    if (!want.empty() && want.back() == '*') {
      if (!actual[i].starts_with(want.substr(0, want.size() - 1))) return false;
    } else if (actual[i] != want) {
      return false;
    }
  }
  return true;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line.substr(0, line.find('\r')) + "\n";
  return text;
}

class FileDownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy",
                             "NO_PROXY"}) {
      unsetenv(name);
    }
    const TestPki& pki = SharedTestPki();
    TestHttpServer::Options http;
    http.stallSeconds = 8;
    s_http = std::make_unique<TestHttpServer>(http);
    TestHttpServer::Options https;
    https.certPath = pki.serverCert;
    https.keyPath = pki.serverKey;
    s_https = std::make_unique<TestHttpServer>(https);
    https.certPath = pki.otherServerCert;
    https.keyPath = pki.otherServerKey;
    s_untrusted = std::make_unique<TestHttpServer>(https);
  }
  static void TearDownTestSuite() {
    s_http.reset();
    s_https.reset();
    s_untrusted.reset();
  }

  void SetUp() override {
    // The test CA is a trusted root of this prefix only; the other CA is not.
    std::filesystem::create_directories(platform::PrefixCertsFolder("root"));
    std::filesystem::copy_file(SharedTestPki().caCert, platform::PrefixCertsFolder("root") + "/vamo-test.pem");
    std::filesystem::create_directories(m_prefix.DriveC() + "/dl");
  }

  static TestHttpServer& ServerFor(Server server) {
    return server == Server::kHttp ? *s_http : server == Server::kHttpsTrusted ? *s_https : *s_untrusted;
  }

  // Folder entries of C:\dl, to prove that nothing (no temporary file
  // either) is left behind.
  std::vector<std::string> DownloadFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_prefix.DriveC() + "/dl")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TempPrefix m_prefix;
  static inline std::unique_ptr<TestHttpServer> s_http;
  static inline std::unique_ptr<TestHttpServer> s_https;
  static inline std::unique_ptr<TestHttpServer> s_untrusted;
};

struct DownloadCase {
  const char* name;
  Server server;
  std::string path;  // appended to the server's URL; a full URL when it has "://"
  int result;
  std::vector<std::string> lines;
  size_t fileSize;  // when result is 0
};

class DownloadCases : public FileDownloadTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadCases, ReportLinesResultAndDisk) {
  const DownloadCase& c = GetParam();
  TestHttpServer& server = ServerFor(c.server);
  std::string url = c.path.find("://") != std::string::npos ? c.path : server.Url(c.path);
  bool missingFolder = c.path.ends_with("?nofolder");
  std::string target = missingFolder ? "C:\\dl\\missing\\f.bin" : "C:\\dl\\f.bin";
  // An older file of the same name must never survive a failed download.
  if (!missingFolder) WriteHostFile(m_prefix.DriveC() + "/dl/f.bin", "stale content from an earlier run");

  RecordingReport report;
  int rc = FileDownload(url, target, "f.bin", &report, {});
  EXPECT_EQ(rc, c.result);
  EXPECT_TRUE(LinesMatch(report.lines, c.lines, server.Port())) << "report was:\n" << Joined(report.lines);
  if (c.result == 0) {
    EXPECT_EQ(DownloadFolder(), std::vector<std::string>{"f.bin"});
    EXPECT_EQ(ReadHostFile(m_prefix.DriveC() + "/dl/f.bin"), ServerPattern(c.fileSize));
  } else {
    EXPECT_TRUE(DownloadFolder().empty()) << DownloadFolder().front();
  }
}

const std::string kStart = "--FileDownload Start\r\n";
const std::string kServer = "--FileDownload Server [127.0.0.1:%PORT%]\r\n";
const std::string kEnd = "--FileDownload End.\r\n";
const std::string kException = "--FileDownload Exception...\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, DownloadCases,
    ::testing::Values(
        DownloadCase{"Http", Server::kHttp, "/file/10000", 0, {kStart, kServer, kEnd}, 10000},
        DownloadCase{"HttpsTrustedRoot", Server::kHttpsTrusted, "/file/70000", 0, {kStart, kServer, kEnd}, 70000},
        DownloadCase{"NoContentLength", Server::kHttp, "/nolength/500", kErrDownloadFail,
                     {kStart, "--FileDownload File size is zero.\r\n", kEnd}, 0},
        DownloadCase{"NotFound", Server::kHttp, "/status/404", kErrDownloadFail,
                     {kStart, kServer, "--FileDownload SendRequest Fail. File Not Found\r\n", kException, kEnd}, 0},
        DownloadCase{"ServerError", Server::kHttp, "/status/500", kErrDownloadFail,
                     {kStart, kServer, "--FileDownload SendRequest Fail. 500\r\n", kException, kEnd}, 0},
        DownloadCase{"OtherStatus", Server::kHttp, "/status/403", kErrDownloadFail,
                     {kStart, kServer, kException, kEnd}, 0},
        DownloadCase{"FtpScheme", Server::kHttp, "ftp://127.0.0.1:21/f.bin", kErrDownloadFail,
                     {kStart, "--FileDownload Protocol incorrect.\r\n", kException, kEnd}, 0},
        DownloadCase{"UnparsableUrl", Server::kHttp, "http://", kErrDownloadFail,
                     {kStart, "--FileDownload Parse URL fail.\r\n", kException, kEnd}, 0},
        DownloadCase{"BodyOneByteShort", Server::kHttp, "/short/5000", kErrDownloadFail,
                     {kStart, kServer, "--FileDownload File Size incorrect.\r\n"}, 0},
        DownloadCase{"StallPastTimeOut", Server::kHttp, "/stall/200000", kErrDownloadFail,
                     {kStart, kServer, "--FileDownload Exception...[*", kEnd}, 0},
        DownloadCase{"ConnectionCutMidBody", Server::kHttp, "/cut/200000", kErrDownloadFail,
                     {kStart, kServer, "--FileDownload Exception...[*", kEnd}, 0},
        DownloadCase{"UntrustedCertificate", Server::kHttpsUntrusted, "/file/1000", kErrDownloadFail,
                     {kStart, "--FileDownload File size is zero.\r\n", kEnd}, 0},
        DownloadCase{"FolderDoesNotExist", Server::kHttp, "/file/3000?nofolder", kErrDownloadFail,
                     {kStart, kServer,
                      "--FileDownload File Open Fail...[The system cannot find the path specified.]\r\n", kException,
                      kEnd},
                     0}),
    [](const ::testing::TestParamInfo<DownloadCase>& info) { return std::string(info.param.name); });

TEST_F(FileDownloadTest, HttpIsGetAndHttpsIsPostWithTheFormHeaderAndNoCache) {
  ASSERT_EQ(FileDownload(s_http->Url("/file/100"), "C:\\dl\\a.bin", "a.bin", nullptr, {}), 0);
  ASSERT_EQ(FileDownload(s_https->Url("/file/100"), "C:\\dl\\b.bin", "b.bin", nullptr, {}), 0);
  for (auto* server : {s_http.get(), s_https.get()}) {
    std::vector<RecordedRequest> requests = server->Requests();
    ASSERT_FALSE(requests.empty());
    const RecordedRequest& transfer = requests.back();
    EXPECT_EQ(transfer.method, server == s_http.get() ? "GET" : "POST");
    EXPECT_EQ(transfer.headers.at("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(transfer.headers.at("cache-control"), "no-cache");
    EXPECT_EQ(transfer.headers.at("pragma"), "no-cache");
    EXPECT_EQ(transfer.bodyLength, 0u);
    if (server == s_https.get()) {
      EXPECT_EQ(transfer.headers.at("content-length"), "0");
    }
  }
}

TEST_F(FileDownloadTest, ProgressComesBeforeEveryReadIncludingTheLast) {
  struct Call {
    std::string label;
    std::string name;
    uint64_t received;
    uint64_t expected;
  };
  std::vector<Call> calls;
  auto progress = [&](std::string_view label, std::string_view name, uint64_t received, uint64_t expected) {
    calls.push_back({std::string(label), std::string(name), received, expected});
  };
  const size_t size = 3 * 4096 + 100;
  ASSERT_EQ(FileDownload(s_http->Url("/file/" + std::to_string(size)), "C:\\dl\\p.bin", "표시 이름", nullptr, progress), 0);
  ASSERT_EQ(calls.size(), 5u);  // four pieces of at most 4096 bytes, then the end
  EXPECT_EQ(calls.front().received, 0u);
  EXPECT_EQ(calls.back().received, size);
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_GT(calls[i].received, calls[i - 1].received);
  for (const Call& call : calls) {
    EXPECT_EQ(call.label, "현재 파일");
    EXPECT_EQ(call.name, "표시 이름");
    EXPECT_EQ(call.expected, size);
  }
}

TEST_F(FileDownloadTest, QuietFormWritesTracesOnlyAndLeavesNothingOnFailure) {
  TraceCapture trace;
  WriteHostFile(m_prefix.DriveC() + "/dl/list.ver", "list of an earlier run");
  EXPECT_EQ(FileDownload(s_http->Url("/status/404"), "C:\\dl\\list.ver"), kErrDownloadFail);
  EXPECT_TRUE(DownloadFolder().empty());
  EXPECT_TRUE(trace.Contains("FileDownload()"));
  EXPECT_TRUE(trace.Contains("SendRequest Fail. File Not Found"));
  EXPECT_TRUE(trace.Contains("FileDownload fail..."));

  EXPECT_EQ(FileDownload(s_http->Url("/file/10"), "C:\\dl\\missing\\list.ver"), kErrDownloadFail);
  EXPECT_TRUE(trace.Contains("File Open Fail.[The system cannot find the path specified.]"));

  ASSERT_EQ(FileDownload(s_http->Url("/file/20"), "C:\\dl\\list.ver"), 0);
  EXPECT_EQ(ReadHostFile(m_prefix.DriveC() + "/dl/list.ver"), ServerPattern(20));
}

TEST_F(FileDownloadTest, TransferUsesTheUsersProxyAndTheProbeGoesDirect) {
  // The test server doubles as the proxy: a proxied request arrives with the
  // full URL as its path. The user's proxy is the one of the internet
  // settings; loopback passes it only when the bypass list says so.
  std::string url = s_http->Url("/file/64");
  platform::RegKey settings;
  ASSERT_EQ(settings.Create(platform::RegRoot::kCurrentUser,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"),
            platform::kErrorSuccess);
  settings.SetDword("ProxyEnable", 1);
  settings.SetString("ProxyServer", "127.0.0.1:" + std::to_string(s_http->Port()));
  settings.SetString("ProxyOverride", "<-loopback>");
  int rc = FileDownload(url, "C:\\dl\\x.bin", "x.bin", nullptr, {});
  ASSERT_EQ(rc, 0);
  std::vector<RecordedRequest> requests = s_http->Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[requests.size() - 2].path, "/file/64");
  EXPECT_EQ(requests.back().path, url);
}

TEST_F(FileDownloadTest, ProbeReadsTheAnnouncedLength) {
  EXPECT_EQ(ProbeFileSize(s_http->Url("/file/123456")), 123456u);
  EXPECT_EQ(ProbeFileSize(s_https->Url("/file/77")), 77u);
  EXPECT_EQ(ProbeFileSize(s_http->Url("/nolength/77")), 0u);
  EXPECT_EQ(ProbeFileSize(s_untrusted->Url("/file/77")), 0u);
  EXPECT_EQ(ProbeFileSize("ftp://127.0.0.1/x"), 0u);
}

}  // namespace
