#include "diagnostics/BrowserAnalysis.h"

#include <chrono>
#include <thread>

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/Format.h"
#include "system/Browsers.h"
#include "system/RegistryWriter.h"
#include "system/VersionInfo.h"

namespace {

constexpr char kConfirmed[] = "확인됨.";
constexpr char kVersionLabel[] = "버전 : ";
constexpr char kUpdateVersionLabel[] = "업데이트 버전 : ";

constexpr char kInternetExplorerKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
constexpr char kFirefoxKey[] = "SOFTWARE\\Mozilla\\Mozilla Firefox";
constexpr char kChromeFolder[] = "%s\\Google\\Chrome\\Application";
constexpr char kSafariFolder[] = "%s\\Safari";
constexpr char kOperaFolder[] = "%s\\Opera";

// Windows finds the file whatever the case of its name, so "Safari.exe" is
// the table's "safari.exe".
std::string ExecutableIn(const std::string& strFolder, BrowserKind kind) {
  return strFolder + "\\" + CBrowsers::ImageOf(kind);
}

std::string ReadMachineString(const std::string& strKey, const char* name) {
  return CRegistryWriter::ReadString(platform::RegRoot::kLocalMachine, strKey, name);
}

}  // namespace

void CBrowserAnalysis::Pause() const {
  if (m_nStepPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_nStepPauseMs));
}

int CBrowserAnalysis::AnalyzeBrowsers(IReportSink& report, int& bOtherBrowser) {
  CheckInternetExplorer();
  Pause();
  bool bOther = false;
  for (int (CBrowserAnalysis::*step)() : {&CBrowserAnalysis::CheckChrome, &CBrowserAnalysis::CheckSafari,
                                          &CBrowserAnalysis::CheckOpera, &CBrowserAnalysis::CheckFirefox}) {
    if ((this->*step)() == 1) bOther = true;
    Pause();
  }
  if (bOther) bOtherBrowser = 1;

  report.AppendLine("------- ANALYSIS BROWSER BEGIN -------\r\n");
  for (const std::unique_ptr<CBrowserItem>& pItem : m_browserList) {
    if (!pItem) continue;
    report.AppendLine("Browser : %s (%s)\r\n", pItem->m_strName.c_str(), pItem->m_strVersion.c_str());
    report.AppendLine("Description : %s\r\n", pItem->m_strDescription.c_str());
  }
  report.AppendLine("------- ANALYSIS BROWSER END -------\r\n");
  return 0;
}

int CBrowserAnalysis::CheckInternetExplorer() {
  auto pItem = std::make_unique<CBrowserItem>();
  pItem->m_strName = "InternetExplorer";
  pItem->m_nKind = CBrowserItem::kInternetExplorer;
  pItem->m_nState = CBrowserItem::kStateConfirmed;
  pItem->m_strStatusText = kConfirmed;
  pItem->m_strVersion = ReadMachineString(kInternetExplorerKey, "Version");
  pItem->m_strUpdateVersion = ReadMachineString(kInternetExplorerKey, "svcUpdateVersion");
  pItem->m_strUpdateNumber = ReadMachineString(kInternetExplorerKey, "svcKBNumber");
  pItem->m_strDescription = kVersionLabel + pItem->m_strVersion + "\r\n";
  if (!pItem->m_strUpdateVersion.empty()) {
    pItem->m_strDescription +=
        kUpdateVersionLabel + pItem->m_strUpdateVersion + " (" + pItem->m_strUpdateNumber + ")\r\n";
  }
  m_browserList.push_back(std::move(pItem));
  return 1;
}

int CBrowserAnalysis::CheckChrome() {
  // Chrome installs per user; the machine-wide copy counts only when the
  // user has no Chrome folder at all.
  std::string strFolder =
      platform::Format(kChromeFolder, platform::GetKnownFolder(platform::KnownFolder::kLocalAppData).c_str());
  if (!platform::fs::DirectoryExists(strFolder)) {
    strFolder = platform::Format(kChromeFolder, platform::GetKnownFolder(platform::KnownFolder::kProgramFiles).c_str());
  }
  return AddBrowserFromFolder(strFolder, BrowserKind::kChrome);
}

int CBrowserAnalysis::CheckSafari() {
  return AddBrowserFromFolder(
      platform::Format(kSafariFolder, platform::GetKnownFolder(platform::KnownFolder::kProgramFiles).c_str()),
      BrowserKind::kSafari);
}

int CBrowserAnalysis::CheckOpera() {
  return AddBrowserFromFolder(
      platform::Format(kOperaFolder, platform::GetKnownFolder(platform::KnownFolder::kProgramFiles).c_str()),
      BrowserKind::kOpera);
}

int CBrowserAnalysis::CheckFirefox() {
  const std::string strCurrentVersion = ReadMachineString(kFirefoxKey, "CurrentVersion");
  const std::string strMainKey = platform::Format("%s\\%s\\Main", kFirefoxKey, strCurrentVersion.c_str());
  const std::string strInstallDirectory = ReadMachineString(strMainKey, "Install Directory");
  if (!platform::fs::DirectoryExists(strInstallDirectory)) return 0;
  std::string strExecutable = ReadMachineString(strMainKey, "PathToExe");
  if (strExecutable.empty()) strExecutable = ExecutableIn(strInstallDirectory, BrowserKind::kFirefox);
  return AddBrowserFromExecutable(strExecutable, BrowserKind::kFirefox);
}

int CBrowserAnalysis::AddBrowserFromFolder(const std::string& strFolder, BrowserKind kind) {
  if (!platform::fs::DirectoryExists(strFolder)) return 0;
  return AddBrowserFromExecutable(ExecutableIn(strFolder, kind), kind);
}

int CBrowserAnalysis::AddBrowserFromExecutable(const std::string& strExecutable, BrowserKind kind) {
  if (!platform::fs::FileExists(strExecutable)) return 0;
  CVersionInfo versionInfo;
  if (!versionInfo.Load(strExecutable)) return 0;
  auto pItem = std::make_unique<CBrowserItem>();
  pItem->m_strName = versionInfo.GetProductName();
  pItem->m_nKind = static_cast<int>(kind);
  pItem->m_nState = CBrowserItem::kStateConfirmed;
  pItem->m_strStatusText = kConfirmed;
  pItem->m_strVersion = versionInfo.GetFileVersion();
  pItem->m_strDescription = kVersionLabel + pItem->m_strVersion + "\r\n" + versionInfo.GetFileDescription() + "\r\n";
  m_browserList.push_back(std::move(pItem));
  return 1;
}
