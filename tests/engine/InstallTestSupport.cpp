#include "tests/engine/InstallTestSupport.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
#include <filesystem>

#include "engine/UpdateList.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "tests/support/SharedFixture.h"
#include "tests/support/ToolRunner.h"

namespace fs = std::filesystem;

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

std::string TestPkiFolder() { return std::string(VAMO_AUTHENTICODE_FIXTURES) + "/pki"; }

std::string SignedProgramFixture() { return std::string(VAMO_AUTHENTICODE_FIXTURES) + "/app64-signed.exe"; }

std::string PayloadFolder() {
  static const std::string folder = SharedFixtureFolder("install-payload", [](const std::string& dir) {
    ToolOutput made = RunProgram("/bin/bash", {std::string(VAMO_TEST_DATA_DIR) + "/install/make-payload.sh", dir,
                                               TestPkiFolder()});
    if (made.exitStatus != 0) throw std::runtime_error("make-payload.sh failed: " + made.err);
  });
  return folder;
}

std::string PayloadFile(const std::string& name) { return PayloadFolder() + "/" + name; }

std::string DemoPrivateKey() { return std::string(VAMO_DEMO_KEY_DIR) + "/demo-update-list-private.pem"; }

bool ResourceKeyIsDemoKey() {
  std::optional<std::string> key = CUpdateList::PublicKeyFromResources();
  std::string demo = ReadHostFile(std::string(VAMO_DEMO_KEY_DIR) + "/demo-update-list-public.pem");
  return key && !demo.empty() && Trimmed(*key) == Trimmed(demo);
}

void CRecordingHost::SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) {
  {
    std::lock_guard lock(m_lock);
    m_counts.push_back({strLabel, "(" + std::to_string(nCurrent) + "/" + std::to_string(nTotal) + ")", nCurrent,
                        nTotal});
  }
  if (m_onWord) m_onWord(strLabel, nCurrent);
}

void CRecordingHost::SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                                        int nTotal) {
  std::lock_guard lock(m_lock);
  m_percents.push_back({strLabel, strSubLabel, nDone, nTotal});
}

std::vector<std::string> CRecordingHost::Words() const {
  std::lock_guard lock(m_lock);
  std::vector<std::string> words;
  for (const CShown& shown : m_counts) words.push_back(shown.strLabel);
  return words;
}

std::vector<CShown> CRecordingHost::Percents() const {
  std::lock_guard lock(m_lock);
  return m_percents;
}

CInstallWorld::CInstallWorld(const platform::PrefixOptions& options)
    : m_prefix(options), m_server([this] {
        TestHttpServer::Options serverOptions;
        serverOptions.root = m_served.Path();
        return serverOptions;
      }()) {
  // The prefix trusts the test PKI, as a machine trusts its publisher's CA.
  fs::copy_file(TestPkiFolder() + "/ca.pem", platform::PrefixCertsFolder("root") + "/vamo-test-ca.pem",
                fs::copy_options::overwrite_existing);
}

void CInstallWorld::Serve(const std::string& name, const std::string& bytes, bool bDigest) {
  WriteHostFile(m_served.Path() + "/" + name, bytes);
  if (bDigest) WriteHostFile(m_digested.Path() + "/" + name, bytes);
}

void CInstallWorld::ServeFile(const std::string& name, const std::string& hostPath, bool bDigest) {
  fs::copy_file(hostPath, m_served.Path() + "/" + name, fs::copy_options::overwrite_existing);
  if (bDigest) fs::copy_file(hostPath, m_digested.Path() + "/" + name, fs::copy_options::overwrite_existing);
}

void CInstallWorld::Replace(const std::string& name, const std::string& bytes) {
  WriteHostFile(m_served.Path() + "/" + name, bytes);
}

std::string CInstallWorld::Url(const std::string& name) const { return m_server.Url("/static/" + name); }

void CInstallWorld::Publish(const std::string& ini) {
  std::string text = ini;
  ReplaceAll(text, "{URL}", m_server.Url("/static/"));
  std::string in = m_digested.Path() + "/../" + fs::path(m_digested.Path()).filename().string() + "-list.ini";
  WriteHostFile(in, text);
  ToolOutput signed_ = RunProgram(VAMO_PUBLISH_PATH, {"sign", "--key", DemoPrivateKey(), "--in", in, "--files",
                                                      m_digested.Path(), "--out", ListHostPath()});
  fs::remove(in);
  ASSERT_EQ(signed_.exitStatus, 0) << signed_.out << signed_.err;
}

void CInstallWorld::PublishRaw(const std::string& bytes) { WriteHostFile(ListHostPath(), bytes); }

CInstallRun::CInstallRun(const CInstallWorld& world)
    : m_procedure(m_host, m_report, m_errorInfo, m_systemInfo, m_bOtherBrowser) {
  SetSystemInfo(m_systemInfo, 6, 1, "64");
  m_procedure.m_nStepPauseMs = 0;
  m_procedure.m_strUpdateListUrlOverride = world.ListUrl();
}

std::vector<std::string> CInstallRun::ReportLines() const { return SplitReportLines(ReportText()); }

std::vector<std::string> CInstallRun::ItemLines(const std::string& name) const {
  std::vector<std::string> item;
  bool inside = false;
  for (const std::string& line : ReportLines()) {
    if (line == "---------------------------------------------\r\n" || line.starts_with("------- ")) {
      inside = false;
    } else if (line.starts_with("파일 : ")) {
      inside = line == "파일 : " + name + "\r\n";
    } else if (inside && line.starts_with("-")) {
      item.push_back(line);
    }
  }
  return item;
}

void SetSystemInfo(CSystemInfo& info, int nMajor, int nMinor, const std::string& strBits) {
  info.m_nMajorVersion = nMajor;
  info.m_nMinorVersion = nMinor;
  info.m_strVersion = std::to_string(nMajor) + "." + std::to_string(nMinor);
  info.m_strBits = strBits;
  info.m_bVistaOrLater = nMajor > 5 ? 1 : 0;
}

std::vector<std::string> SplitReportLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    end = end == std::string::npos ? text.size() : end + 2;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string HostOf(const std::string& windowsPath) { return platform::ToHostPath(windowsPath); }

bool WinExists(const std::string& windowsPath) {
  std::error_code ec;
  return fs::exists(HostOf(windowsPath), ec);
}

std::string ReadWin(const std::string& windowsPath) { return ReadHostFile(HostOf(windowsPath)); }

ReadOnlyFolder::ReadOnlyFolder(const std::string& windowsPath) : m_strHost(HostOf(windowsPath)) {
  fs::create_directories(m_strHost);
  m_bMounted = mount(m_strHost.c_str(), m_strHost.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               mount(nullptr, m_strHost.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (m_bMounted) umount(m_strHost.c_str());
}

std::vector<std::string> WinFolderNames(const std::string& windowsPath) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(HostOf(windowsPath), ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
