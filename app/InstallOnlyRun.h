#pragma once

#include "diagnostics/SystemInfo.h"
#include "engine/InstallProcedure.h"
#include "engine/SetupDriver.h"

// A run of the install procedure alone: the three analyses report success
// without looking at anything, and the install phase is the real one. The
// program uses it until the run object of the engine, with the analyses,
// takes its place.
class CInstallOnlyRun : public CSetupDriver {
 public:
  explicit CInstallOnlyRun(platform::gui::MessageTarget* pWindow);
  ~CInstallOnlyRun() override;

  int AnalyzeUser() override { return 0; }
  int AnalyzeNetwork() override { return 0; }
  int AnalyzeBrowsers() override { return 0; }
  int ProcInstall() override;

 private:
  CSystemInfo m_systemInfo;
  int m_bOtherBrowser = 0;
  CInstallProcedure m_procedure;
};
