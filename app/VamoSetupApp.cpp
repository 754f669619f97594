#include "app/VamoSetupApp.h"

#include <cstdio>

#include "platform/gui/DesktopWindows.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/UiThread.h"
#include "platform/net/NetworkGuard.h"
#include "platform/net/SocketLayer.h"
#include "platform/process/ProcessEnvironment.h"
#include "system/Trace.h"
#include "ui/BrowserScan.h"
#include "ui/DialogBrowser.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;

BOOL CVamoSetupApp::InitInstance() {
  if (!Initialize()) {
    std::fprintf(stderr,
                 "vamo-setup: there is no display to show the wizard on (DISPLAY is not set or cannot be "
                 "opened); vamo-tool repair runs the same repair in a terminal.\n");
    m_nExitCode = 1;
    return FALSE;
  }
  if (!MayProbeNetwork()) {
    m_nExitCode = 1;
    return FALSE;
  }
  if (platform::InitSocketLayer() != platform::kErrorSuccess) {
    MessageBox(nullptr, kInitFailedText, kWizardTitle, MB_OK | MB_ICONWARNING);
    return FALSE;
  }
  if (!TakeSingleInstance()) return FALSE;

  bool bListed = true;
  if (!OfferToCloseBrowsers(&bListed) || !bListed) return FALSE;

  CDialogWelcome welcome;
  if (welcome.DoModal() == IDOK) RunMainWindow();
  return FALSE;
}

bool CVamoSetupApp::MayProbeNetwork() {
  // The run pings gateways, asks name servers and connects to web hosts.
  // This build runs on developers' and test machines: by default only in a
  // network made for it, as vamo-tool repair.
  if (platform::net::MayProbeNetwork()) return true;
  std::fprintf(stderr,
               "vamo-setup: refusing to probe this machine's own network; run it inside a network namespace "
               "(tools/lab/lab exec NAME -- vamo-setup) or set %s=1\n",
               platform::net::kHostNetworkVariable);
  MessageBox(nullptr, kHostNetworkRefusedText, kWizardTitle, MB_OK | MB_ICONWARNING);
  return false;
}

bool CVamoSetupApp::TakeSingleInstance() {
  if (m_mutex.Create(kMutexName) != platform::kErrorAlreadyExists) return true;
  // Another wizard holds the mutex. Its window, if it has one yet, comes to
  // the front (restored when it was minimised) and this start ends; one
  // still starting up, without a window, does not stop this start.
  const DesktopWindowId window = FindDesktopWindow(kWizardTitle);
  if (!window) return true;
  RestoreDesktopWindow(window);
  return false;
}

bool CVamoSetupApp::OfferToCloseBrowsers(bool* pbListed) {
  std::string strName;
  const int nFound = CBrowserScan::FindRunningBrowser(&strName);
  if (nFound < 0) {
    *pbListed = false;
    return false;
  }
  if (nFound == 0) return true;
  Trace("CVamoSetupApp::InitInstance() running browser [%s]", strName.c_str());
  CDialogBrowser prompt;
  return prompt.DoModal() != IDCANCEL;
}

void CVamoSetupApp::RunMainWindow() {
  CDialogMain dialog;
  // The run outlives the window: the window's destruction stops its worker.
  std::unique_ptr<CSetupRun> pRun = CreateRun(&dialog);
  dialog.SetRun(pRun.get());
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  KeepReport(*pRun);
}

void CVamoSetupApp::KeepReport(const CSetupRun& run) {
  const std::optional<std::string> strPath = platform::GetProcessVariable(kReportVariable);
  if (!strPath || strPath->empty()) return;
  if (run.m_setupReport.Save(*strPath) != 0) {
    std::fprintf(stderr, "vamo-setup: the report could not be saved to %s\n", strPath->c_str());
    m_nExitCode = 1;
  }
}

std::unique_ptr<CSetupRun> CVamoSetupApp::CreateRun(MessageTarget* pWindow) {
  return std::make_unique<CSetupRun>(pWindow);
}
