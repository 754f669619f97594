#include "tests/engine/lab/LabRunSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/SetupMessages.h"
#include "tests/engine/InstallTestSupport.h"
#include "platform/sim/Prefix.h"
#include "platform/resources/ModuleResources.h"
#include "platform/sysinfo/KnownFolders.h"
#include "resources/resource.h"
#include "tests/engine/InstallTestSupport.h"
#include "tests/support/ToolRunner.h"

namespace fs = std::filesystem;

namespace {

// "/a/b/list.ver" of "http://host/a/b/list.ver".
std::string UrlPath(const std::string& url) {
  size_t scheme = url.find("://");
  size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  return slash == std::string::npos ? "/" : url.substr(slash);
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

CLabSite::CLabSite() { fs::create_directories(HostFolder()); }

std::string CLabSite::ListUrl() { return platform::LoadModuleString(IDS_UPDATE_LIST_URL); }

std::string CLabSite::BaseUrl() {
  std::string url = ListUrl();
  return url.substr(0, url.rfind('/') + 1);
}

std::string CLabSite::HostFolder() const {
  std::string path = UrlPath(ListUrl());
  return m_root.Path() + path.substr(0, path.rfind('/'));
}

void CLabSite::Serve(const std::string& name, const std::string& bytes, bool bDigest) {
  WriteHostFile(HostFolder() + "/" + name, bytes);
  if (bDigest) WriteHostFile(m_digested.Path() + "/" + name, bytes);
}

void CLabSite::ServeFile(const std::string& name, const std::string& hostPath, bool bDigest) {
  fs::copy_file(hostPath, HostFolder() + "/" + name, fs::copy_options::overwrite_existing);
  if (bDigest) fs::copy_file(hostPath, m_digested.Path() + "/" + name, fs::copy_options::overwrite_existing);
}

void CLabSite::Publish(const std::string& ini) {
  std::string text = ini;
  ReplaceAll(text, "{URL}", BaseUrl());
  std::string in = m_root.Path() + "/list.ini";
  WriteHostFile(in, text);
  ToolOutput signedList =
      RunProgram(VAMO_PUBLISH_PATH, {"sign", "--key", DemoPrivateKey(), "--in", in, "--files", m_digested.Path(),
                                     "--out", m_root.Path() + UrlPath(ListUrl())});
  fs::remove(in);
  ASSERT_EQ(signedList.exitStatus, 0) << signedList.out << signedList.err;
}

void CLabSite::PublishRaw(const std::string& bytes) { WriteHostFile(m_root.Path() + UrlPath(ListUrl()), bytes); }

void RunInsideLab(const CLabSite& site, const std::vector<std::string>& switches) {
  RunInsideLab(site.Root(), switches);
}

void RunInsideLab(const std::string& strUpdateRoot, const std::vector<std::string>& switches) {
  NetworkLab& lab = SharedNetworkLab();
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ASSERT_TRUE(lab.Set({"defaults"})) << lab.Error();
  if (!switches.empty()) {
    ASSERT_TRUE(lab.Set(switches)) << lab.Error();
  }
  ASSERT_TRUE(lab.Publish(strUpdateRoot)) << lab.Error();
  EXPECT_TRUE(lab.RunCurrentTestInside());
}

std::string UpdateServerText() {
  const std::string url = CLabSite::ListUrl();
  const size_t scheme = url.find("://");
  std::string host = url.substr(scheme + 3);
  host = host.substr(0, host.find('/'));
  if (host.find(':') != std::string::npos) return host;
  return host + (url.starts_with("https:") ? ":443" : ":80");
}

bool CRunEnd::Completed() const { return Count(WM_SETUP_COMPLETE) == 1 && Count(WM_SETUP_ERROR) == 0; }

int CRunEnd::Count(uint32_t message) const {
  return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

CSetupRunOptions TestRunOptions() {
  CSetupRunOptions options;
  options.bPauses = false;
  return options;
}

void TrustTestCertificates() {
  const std::string roots = platform::PrefixCertsFolder("root");
  const char* labCa = std::getenv("VAMO_LAB_CA");
  ASSERT_NE(labCa, nullptr) << "not inside a lab";
  fs::copy_file(labCa, roots + "/vamo-lab.pem", fs::copy_options::overwrite_existing);
  fs::copy_file(TestPkiFolder() + "/ca.pem", roots + "/vamo-test-ca.pem", fs::copy_options::overwrite_existing);
  fs::copy_file(std::string(VAMO_DEMO_RELEASE) + "/pki/ca.pem", roots + "/vamo-demo-ca.pem",
                fs::copy_options::overwrite_existing);
}

CRunEnd RunToEnd(CSetupRun& run, platform::gui::MessageQueue& window) {
  CRunEnd end;
  run.StartWorker();
  while (auto message = window.WaitMessage(std::chrono::seconds(60))) {
    end.messages.push_back(*message);
    if (*message == WM_SETUP_COMPLETE) {
      run.OnSetupComplete();
      break;
    }
    if (*message == WM_SETUP_ERROR) {
      end.strErrorText = run.OnSetupError();
      break;
    }
  }
  run.StopWorker();
  for (uint32_t late : window.TakeMessages()) end.messages.push_back(late);
  return end;
}

std::vector<std::string> ReportLines(const CSetupReport& report) { return SplitReportLines(report.TextUtf8()); }

void InstallChrome() {
  const std::string folder =
      HostOf(platform::GetKnownFolder(platform::KnownFolder::kLocalAppData) + "\\Google\\Chrome\\Application");
  fs::create_directories(folder);
  fs::copy_file(std::string(VAMO_BROWSER_FIXTURES) + "/chrome.exe", folder + "/chrome.exe",
                fs::copy_options::overwrite_existing);
}
