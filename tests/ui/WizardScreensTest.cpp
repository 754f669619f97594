// Every page and state of the wizard on a private X server: what the server
// shows of each window is exactly what the window paints off-screen, with
// its buttons where they belong. With VAMO_TEST_SCREENSHOT_DIR set, each
// state is kept there as a PNG (the documentation's screenshots:
// scripts/screenshots).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/ErrorCodes.h"
#include "engine/SetupMessages.h"
#include "resources/resource.h"
#include "tests/support/PrivateProcesses.h"
#include "tests/support/ScriptedRun.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogBrowser.h"
#include "ui/DialogError.h"
#include "ui/DialogMain.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

class WizardScreensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
    // The pointer waits in a corner, so no button shows its hover picture.
    Xdotool({"mousemove", "1023", "767"});
  }
  // The screen shows the window as it paints itself; then it is kept.
  static void Check(Window& window, const std::string& name) {
    EXPECT_TRUE(WaitFor([&] { return ScreenShowsPainting(window); }, 5s)) << name;
    KeepScreenshot(window, name);
  }
  TempPrefix m_prefix;
};

// ---------------------------------------------------------------- main window

struct MainState {
  const char* name;
  int nPhase;
  int nMarqueeOffset;
  std::function<void(CSetupDriver&)> fill;  // through the run's setters
  UINT nMessage;                            // sent after filling: completion or error
  std::vector<int> shown;                   // the visible buttons
  friend void PrintTo(const MainState& s, std::ostream* os) { *os << s.name; }
};

void InstallLines(CSetupDriver& run) {
  run.SetStatusText(CSetupDriver::kPhaseStatusText[2]);
  run.SetCountProgress("다운로드중", 3, 7);
  run.SetPercentProgress("다운로드중", "VamoPluginUpdater.dll", 425, 1000);
}

const std::vector<MainState>& MainStates() {
  static const std::vector<MainState> states = {
      {"main-phase0", 0, 60, nullptr, 0, {IDOK, IDCANCEL}},
      {"main-phase1", 1, 150, [](CSetupDriver& run) { run.SetStatusText(CSetupDriver::kPhaseStatusText[0]); }, 0,
       {IDOK, IDCANCEL}},
      {"main-phase2", 2, 220, [](CSetupDriver& run) { run.SetStatusText(CSetupDriver::kPhaseStatusText[1]); }, 0,
       {IDOK, IDCANCEL}},
      {"main-phase3", 3, 0, InstallLines, 0, {IDOK, IDCANCEL}},
      {"main-phase3-long-name", 3, 0,
       [](CSetupDriver& run) {
         InstallLines(run);
         run.SetPercentProgress("다운로드중", "VamoPlugin Component Installer Package for Internet Explorer.cab", 425,
                                1000);
       },
       0, {IDOK, IDCANCEL}},
      {"main-completed", 4, 0,
       [](CSetupDriver& run) { run.SetStatusText(CSetupDriver::kPhaseStatusText[3]); }, WM_SETUP_COMPLETE,
       {IDC_DONE, IDCANCEL}},
      {"main-failed-analysis", 1, 150,
       [](CSetupDriver& run) {
         run.SetStatusText(CSetupDriver::kPhaseStatusText[0]);
         run.m_errorInfo.SetError(kErrNetDns, "");
       },
       WM_SETUP_ERROR, {IDC_DONE, IDCANCEL, IDC_ERROR_DETAIL}},
      {"main-failed-install", 3, 0,
       [](CSetupDriver& run) {
         InstallLines(run);
         run.m_errorInfo.SetError(kErrInstallItems, "");
       },
       WM_SETUP_ERROR, {IDC_DONE, IDCANCEL, IDC_ERROR_DETAIL}},
  };
  return states;
}

class MainScreenTest : public WizardScreensTest, public ::testing::WithParamInterface<MainState> {};

TEST_P(MainScreenTest, ScreenShowsThePaintedState) {
  const MainState& state = GetParam();
  ScriptedMainWindow window;
  CDialogMain& dialog = window.dialog;
  CScriptedRun& run = window.run;
  ASSERT_TRUE(dialog.Create(IDD_VAMOSETUP_DIALOG));
  // The state is set by hand: no worker, and nothing moves.
  for (UINT_PTR timer : {CDialogMain::kTimerStartWorker, CDialogMain::kTimerMarquee, CDialogMain::kTimerBlink})
    dialog.KillTimer(timer);
  run.SetPhase(static_cast<SetupPhase>(state.nPhase));
  if (state.fill) state.fill(run);
  dialog.m_bBlink = true;
  dialog.m_nMarqueeOffset = state.nMarqueeOffset;
  if (state.nMessage) dialog.SendMessage(state.nMessage);
  dialog.Invalidate();
  for (int nID : {IDOK, IDC_DONE, IDCANCEL, IDC_ERROR_DETAIL}) {
    const bool bExpected = std::find(state.shown.begin(), state.shown.end(), nID) != state.shown.end();
    EXPECT_EQ(IsShown(dialog, nID), bExpected) << nID;
  }
  Check(dialog, state.name);
}

INSTANTIATE_TEST_SUITE_P(States, MainScreenTest, ::testing::ValuesIn(MainStates()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// ---------------------------------------------------------------- the other pages

TEST_F(WizardScreensTest, ErrorPageWithAndWithoutDetailOverTheFailedWindow) {
  ScriptedMainWindow window;
  CDialogMain& main = window.dialog;
  CScriptedRun& run = window.run;
  ASSERT_TRUE(main.Create(IDD_VAMOSETUP_DIALOG));
  main.KillTimer(CDialogMain::kTimerStartWorker);
  struct Page {
    const char* name;
    int nCode;
    const char* detail;
  };
  for (const Page& p : {Page{"error-page", kErrInstallItems, ""},
                        Page{"error-page-detail", kErrFolderAccess, "C:\\Users\\kim\\AppData\\LocalLow\\VamoPlugin"}}) {
    run.m_errorInfo.SetError(p.nCode, p.detail);
    CDialogError page(&main);
    page.m_pOwner = &main;
    ASSERT_TRUE(page.Create(IDD_DIALOG_ERROR, &main));
    page.ShowWindow(SW_SHOW);
    Check(page, p.name);
    page.DestroyWindow();
  }
}

TEST_F(WizardScreensTest, WelcomePage) {
  CDialogWelcome welcome;
  ASSERT_TRUE(welcome.Create(IDD_DIALOG_WELCOME));
  welcome.ShowWindow(SW_SHOW);
  Check(welcome, "welcome");
}

TEST_F(WizardScreensTest, BrowserPromptWithOneSevenAndNineBrowsers) {
  if (!HasPrivateProcesses()) GTEST_SKIP() << "needs a PID namespace of its own (root)";
  const std::vector<std::string> all = {"iexplore.exe", "firefox.exe", "safari.exe",     "chrome.exe",   "opera.exe",
                                        "360.exe",      "360se.exe",   "360browser.exe", "qqbrowser.exe"};
  for (size_t nCount : {1u, 7u, 9u}) {
    NamedProcesses processes(nCount == 1 ? std::vector<std::string>{"chrome.exe"}
                                         : std::vector<std::string>(all.begin(), all.begin() + nCount));
    CDialogBrowser prompt;
    ASSERT_TRUE(prompt.Create(IDD_DIALOG_BROWSER));
    EXPECT_EQ(prompt.Scan().Count(), static_cast<int>(nCount));
    prompt.ShowWindow(SW_SHOW);
    Check(prompt, "browser-" + std::to_string(nCount));
    prompt.DestroyWindow();
  }
}

}  // namespace
