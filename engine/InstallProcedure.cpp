#include "engine/InstallProcedure.h"

#include <chrono>
#include <thread>

#include "engine/ErrorCodes.h"
#include "engine/ErrorInfo.h"
#include "engine/ItemProcessor.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "system/AdminCheck.h"
#include "system/ReportSink.h"
#include "system/SetupFolders.h"
#include "system/Trace.h"
#include "system/Utility.h"

namespace {

constexpr char kInstallBegin[] = "------- INSTALL BEGIN -------\r\n";
constexpr char kInstallEnd[] = "------- INSTALL END -------\r\n";
constexpr char kUpdateListName[] = "VamoPluginTemp.ver";
constexpr char kInstalledVersionName[] = "VamoPlugin.ver";
constexpr char kNotAdministrator[] =
    "사용자 계정이 관리자 계정이 아닙니다. 관리자 계정으로 다시 시도해 주십시오.";

// The steps of the procedure with the line each writes when it fails and the
// code the procedure then returns (0: the step's own code).
struct CInstallStep {
  int (CInstallProcedure::*run)();
  const char* strFailLine;
  int nCode;
};

const CInstallStep kInstallSteps[] = {
    {&CInstallProcedure::ProcInstallReady, "Install Initialize Fail.\r\n", 0},
    {&CInstallProcedure::ProcInstallDownload, "Update List Download Fail.\r\n", 0},
    {&CInstallProcedure::ProcInstallVerify, "Update List Verify Fail.\r\n", kErrUpdateListVerify},
    {&CInstallProcedure::ProcInstallParse, "Update List Parse Fail.\r\n", kErrUpdateListParse},
    {&CInstallProcedure::ProcInstallDirectoryCheck, "Install Directory Check Fail.\r\n", 0},
    {&CInstallProcedure::ProcInstallItems, "Install Fail.\r\n", kErrInstallItems},
};

}  // namespace

CInstallProcedure::CInstallProcedure(IInstallHost& host, IReportSink& report, CErrorInfo& errorInfo,
                                     const CSystemInfo& systemInfo, const int& bOtherBrowser)
    : m_host(host),
      m_report(report),
      m_errorInfo(errorInfo),
      m_bOtherBrowser(bOtherBrowser),
      m_updater(systemInfo),
      m_updateList(report) {}

std::string CInstallProcedure::UpdateListPath() const { return m_strTempFolder + "\\" + kUpdateListName; }

void CInstallProcedure::Pause() const {
  if (m_nStepPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_nStepPauseMs));
}

int CInstallProcedure::ProcInstall() {
  m_report.AppendLine("%s", kInstallBegin);
  bool bFirst = true;
  for (const CInstallStep& step : kInstallSteps) {
    if (!bFirst) Pause();
    bFirst = false;
    if (int nResult = (this->*step.run)(); nResult != 0) {
      m_report.AppendLine("%s", step.strFailLine);
      m_report.AppendLine("%s", kInstallEnd);
      return step.nCode != 0 ? step.nCode : nResult;
    }
  }
  Pause();
  m_report.AppendLine("%s", kInstallEnd);
  return 0;
}

int CInstallProcedure::ProcInstallReady() {
  // The rights come first: nothing is created or fetched for a user who
  // may not install.
  if (CAdminCheck::IsUserAdmin() != 1) {
    m_report.AppendLine("%s\r\n", kNotAdministrator);
    Trace("%s", kNotAdministrator);
    Trace("CDialogMain::ProcInstallReady() Fail... Is Not Administrators...");
    return kErrNotAdministrator;
  }

  m_strInstallFolder = CSetupFolders::InstallFolder();
  CUtility::MakeFolderPath(m_strInstallFolder);
  m_strTempFolder = CSetupFolders::TempFolder();
  CUtility::MakeFolderPath(m_strTempFolder);

  const struct {
    const std::string& strFolder;
    const char* strLine;
  } folders[] = {
      {m_strInstallFolder, "Install Folder [%s] Access Fail...\r\n"},
      {m_strTempFolder, "Download Folder [%s] Access Fail...\r\n"},
  };
  for (const auto& folder : folders) {
    if (!CUtility::AccessTest(folder.strFolder)) {
      m_report.AppendLine(folder.strLine, folder.strFolder.c_str());
      Trace(folder.strLine, folder.strFolder.c_str());
      m_errorInfo.SetError(kErrFolderAccess, folder.strFolder);
      return kErrFolderAccess;
    }
  }

  m_installPlan.Clear();
  m_UpdateListURL = m_strUpdateListUrlOverride ? *m_strUpdateListUrlOverride : platform::LoadModuleString(IDS_UPDATE_LIST_URL);
  m_report.AppendLine("Updatelist File URL [%s]\r\n", m_UpdateListURL.c_str());
  return 0;
}

int CInstallProcedure::ProcInstallDownload() { return m_updateList.ProcInstallDownload(m_UpdateListURL, UpdateListPath()); }

int CInstallProcedure::ProcInstallVerify() {
  return m_updateList.ProcInstallVerify(UpdateListPath(), CUpdateList::PublicKeyFromResources());
}

int CInstallProcedure::ProcInstallParse() {
  CPlanFolders folders{m_strInstallFolder, m_strTempFolder, CSetupFolders::IsVistaOrLater()};
  return m_updateList.ProcInstallParse(UpdateListPath(), m_installPlan, folders);
}

int CInstallProcedure::ProcInstallDirectoryCheck() {
  return m_installPlan.ProcInstallDirectoryCheck(m_bOtherBrowser, m_report, m_errorInfo);
}

int CInstallProcedure::ProcInstallItems() {
  CItemProcessor processor(m_host, m_report, m_updater, m_bOtherBrowser,
                           m_strInstallFolder + "\\" + kInstalledVersionName);
  return processor.ProcInstallItems(m_installPlan);
}
