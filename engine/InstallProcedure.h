#pragma once

#include <optional>
#include <string>

#include "engine/InstallPlan.h"
#include "engine/UpdateList.h"
#include "engine/Updater.h"

class CErrorInfo;
class CSystemInfo;
class IInstallHost;
class IReportSink;

// The install procedure, the last phase of a run: checks the user's rights
// and the folders, fetches and checks the update list, builds the install
// plan from it, checks the target folders and processes the items. Every
// step writes its lines into the setup report; the procedure adds a summary
// line and the end marker when one fails.
//
// It owns the folders, the update-list address and the install plan of the
// run. The system record and the other-browser flag belong to the run and
// are read when the items are processed.
class CInstallProcedure {
 public:
  CInstallProcedure(IInstallHost& host, IReportSink& report, CErrorInfo& errorInfo, const CSystemInfo& systemInfo,
                    const int& bOtherBrowser);

  // 0, or the code of the step that failed: -9301 / -9302 (rights, folders),
  // -9201 (download), -9202 (check), -9203 (parse), -9302 (target folders),
  // -9204 (one or more items failed, or the stop flag). -9302 comes with the
  // error record filled; every other code is left to the caller to record.
  int ProcInstall();

  // The steps, in the order ProcInstall runs them; each returns 0 or its own
  // code.
  int ProcInstallReady();
  int ProcInstallDownload();
  int ProcInstallVerify();
  int ProcInstallParse();
  int ProcInstallDirectoryCheck();
  int ProcInstallItems();

  // "<temporary folder>\VamoPluginTemp.ver".
  std::string UpdateListPath() const;

  std::string m_strInstallFolder;
  std::string m_strTempFolder;
  std::string m_UpdateListURL;
  CInstallPlan m_installPlan;

  // Where the update list comes from: string resource 2 of the program
  // unless a support build (or a test) names another address.
  std::optional<std::string> m_strUpdateListUrlOverride;
  // The pause between two steps and after the last; 100 ms in the product.
  int m_nStepPauseMs = 100;

 private:
  void Pause() const;

  IInstallHost& m_host;
  IReportSink& m_report;
  CErrorInfo& m_errorInfo;
  const int& m_bOtherBrowser;
  CUpdater m_updater;
  CUpdateList m_updateList;
};
