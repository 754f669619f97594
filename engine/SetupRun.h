#pragma once

#include <memory>
#include <optional>
#include <string>

#include "diagnostics/BrowserAnalysis.h"
#include "diagnostics/NetworkAnalysis.h"
#include "diagnostics/SystemInfo.h"
#include "engine/InstallProcedure.h"
#include "engine/SetupDriver.h"

// What a front end may change about a run. The defaults are the product's.
struct CSetupRunOptions {
  // Where the update list comes from instead of string resource 2 (a
  // support build, a test, a benchmark).
  std::optional<std::string> strUpdateListUrl;
  // The hosts the network analysis probes instead of string resources 4
  // and 5.
  std::optional<std::string> strCarrierWebHost;
  std::optional<std::string> strPaymentServer;
  // The pauses that let the user read each step: one second after each
  // phase, 100 ms after each analysis and install step. Off in tests.
  bool bPauses = true;
};

// One repair run: the setup driver with the four real phases and everything
// they keep. The wizard window and `vamo-tool repair` both show a CSetupRun
// and hold none of its logic: they start it, repaint from the driver's
// fields when a message arrives, and call OnSetupComplete or OnSetupError
// on their own thread when the run ends.
//
// The run owns the analysis records (the system record through AnalyzeUser's
// pointer, the network and browser analyses), the other-browser flag and the
// install procedure with its folders, update-list address and plan; the
// report and the error record are the driver's m_setupReport and
// m_errorInfo.
class CSetupRun : public CSetupDriver {
 public:
  explicit CSetupRun(platform::gui::MessageTarget* pWindow, const CSetupRunOptions& options = {});
  // Stops the worker before the records it uses go away.
  ~CSetupRun() override;

  // Phase 0: makes and fills the system record, writes the user section.
  int AnalyzeUser() override;
  // Phase 1: 0, or -9001 to -9012 from the first network check that failed.
  int AnalyzeNetwork() override;
  // Phase 2: finds the browsers and sets the other-browser flag; always 0.
  int AnalyzeBrowsers() override;
  // Phase 3: a fresh install procedure over this run's records; 0 or the
  // procedure's code (-9302 comes with the error record filled).
  int ProcInstall() override;

  // The front end's WM_SETUP_COMPLETE handling: waits for the worker's end.
  void OnSetupComplete();
  // The front end's WM_SETUP_ERROR handling: waits for the worker's end,
  // appends the message text to the report (as text, never as a format),
  // sets the failed look (m_bErrorMode) and returns the text.
  std::string OnSetupError();
  // The message text the error page shows: "%s (%s)" of the message and
  // the detail, or the message alone when there is no detail.
  std::string ErrorMessageText() const;

  // What the window shows before the worker's first change.
  static constexpr char kInitialStatusText[] =
      "결제 오류 원인 분석을 위하여 사용자 시스템 정보를 분석하고 있습니다.\n\n잠시만 기다려 주십시오.";
  static constexpr char kInitialCountLabel[] = "초기화 하는중...";

  // The install procedure of the last phase 3, or null before one ran.
  CInstallProcedure* InstallProcedure() { return m_pInstallProcedure.get(); }

  std::unique_ptr<CSystemInfo> m_pSystemInfo;
  CNetworkAnalysis m_networkAnalysis;
  CBrowserAnalysis m_browserAnalysis;
  // 1 when Chrome, Safari, Opera or Firefox is installed; set by phase 2.
  int m_bOtherBrowser = 0;

 private:
  // The window's fields before the worker's first change.
  static CSetupState InitialState();

  CSetupRunOptions m_options;
  // Made when phase 3 begins: the platform filter reads the system record
  // that phase 0 made, and holds on to it.
  std::unique_ptr<CInstallProcedure> m_pInstallProcedure;
};
