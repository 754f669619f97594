// Start-up under a private X server with real X input, in a PID namespace of
// the test's own: which dialogs come in which order, with and without a
// running browser; the main window's worker starting by itself; and the
// single-instance rule, where the second start is the real program.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <memory>
#include <string>
#include <vector>

#include "app/VamoSetupApp.h"
#include "platform/gui/DesktopWindows.h"
#include "platform/sync/NamedMutex.h"
#include "resources/resource.h"
#include "tests/support/PrivateProcesses.h"
#include "tests/support/ScriptedRun.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogBrowser.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

// Start-up with scripted runs in place of the real one.
class CTestApp : public CVamoSetupApp {
 public:
  CScriptedRun* m_pRun = nullptr;
  int m_nRunsMade = 0;
  bool m_bHoldStart = false;

 protected:
  std::unique_ptr<CSetupRun> CreateRun(MessageTarget* pWindow) override {
    auto pRun = std::make_unique<CScriptedRun>(pWindow);
    pRun->m_bHoldStart = m_bHoldStart;
    m_pRun = pRun.get();
    ++m_nRunsMade;
    return pRun;
  }
};

enum class Page { kOther, kBrowser, kWelcome, kMain };

Page PageOf(Window* pWindow) {
  if (dynamic_cast<CDialogBrowser*>(pWindow)) return Page::kBrowser;
  if (dynamic_cast<CDialogWelcome*>(pWindow)) return Page::kWelcome;
  if (dynamic_cast<CDialogMain*>(pWindow)) return Page::kMain;
  return Page::kOther;
}

class VamoSetupAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasPrivateProcesses() || !HasPrivateNetwork())
      GTEST_SKIP() << "needs a PID namespace and a network of its own (root)";
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
  }

  // The page on top now, noted in the order the pages came.
  Dialog* Observe() {
    Window* pActive = Window::FromHandle(GetActiveWindow());
    const Page page = PageOf(pActive);
    if (page != Page::kOther && (m_pages.empty() || m_pages.back() != page || pActive != m_pLast)) {
      m_pages.push_back(page);
      m_pLast = pActive;
    }
    return page == Page::kOther ? nullptr : static_cast<Dialog*>(pActive);
  }
  static bool Ready(Dialog* pDialog) { return pDialog && ScreenShowsPainting(*pDialog); }

  TempPrefix m_prefix;
  CTestApp m_app;
  std::vector<Page> m_pages;
  Window* m_pLast = nullptr;
};

// The real program, with this process's environment less `without`.
int SpawnSetup(pid_t* pPid, const std::string& without = "") {
  std::string program = VAMO_SETUP_PATH;
  char* argv[] = {program.data(), nullptr};
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (without.empty() || std::string(*e).rfind(without + "=", 0) != 0) envp.push_back(*e);
  envp.push_back(nullptr);
  return posix_spawn(pPid, program.c_str(), nullptr, nullptr, argv, envp.data());
}

TEST_F(VamoSetupAppTest, WelcomeComesFirstAndNextOpensTheMainWindowWhoseWorkerStartsByItself) {
  int nStage = 0;
  ModalHook hook([&] {
    Dialog* pPage = Observe();
    switch (nStage) {
      case 0:
        if (!Ready(pPage) || PageOf(pPage) != Page::kWelcome) break;
        nStage = 1;
        ClickAt(*pPage, 270, 420);  // 다음
        break;
      case 1:  // no input from here until the run has completed
        if (PageOf(pPage) != Page::kMain || !m_app.m_pRun) break;
        EXPECT_EQ(m_app.m_pMainWnd, pPage);
        nStage = 2;
        break;
      case 2:
        if (!m_app.m_pRun->m_bStarted || !IsShown(*pPage, IDC_DONE)) break;
        nStage = 3;
        ClickAt(*pPage, 270, 420);  // 확인
        break;
      default: break;
    }
  });
  EXPECT_FALSE(m_app.InitInstance());
  EXPECT_EQ(nStage, 3);
  EXPECT_EQ(m_pages, (std::vector<Page>{Page::kWelcome, Page::kMain}));
  EXPECT_EQ(m_app.m_nRunsMade, 1);
  EXPECT_EQ(m_app.m_pMainWnd, nullptr);
}

TEST_F(VamoSetupAppTest, CancellingTheWelcomeEndsWithoutAMainWindow) {
  ModalHook hook([&] {
    Dialog* pPage = Observe();
    if (!Ready(pPage) || PageOf(pPage) != Page::kWelcome) return;
    RunPumping({"xdotool", "windowfocus", "--sync", std::to_string(GetNativeWindowId(pPage->m_hWnd)), "key", "Escape"});
  });
  EXPECT_FALSE(m_app.InitInstance());
  EXPECT_EQ(m_pages, std::vector<Page>{Page::kWelcome});
  EXPECT_EQ(m_app.m_nRunsMade, 0);
}

struct BrowserCase {
  const char* name;
  int x, y;  // where the prompt is clicked
  std::vector<Page> pages;
  friend void PrintTo(const BrowserCase& c, std::ostream* os) { *os << c.name; }
};

class RunningBrowserTest : public VamoSetupAppTest, public ::testing::WithParamInterface<BrowserCase> {};

TEST_P(RunningBrowserTest, PromptComesFirstAndClosingItEndsTheProgram) {
  const BrowserCase& c = GetParam();
  NamedProcesses browser({"Chrome.exe"});
  bool bAnswered = false;
  ModalHook hook([&] {
    Dialog* pPage = Observe();
    if (!Ready(pPage)) return;
    if (PageOf(pPage) == Page::kBrowser && !bAnswered) {
      bAnswered = true;
      ClickAt(*pPage, c.x, c.y);
    } else if (PageOf(pPage) == Page::kWelcome) {
      RunPumping({"xdotool", "windowfocus", "--sync", std::to_string(GetNativeWindowId(pPage->m_hWnd)), "key",
                  "Escape"});
    }
  });
  EXPECT_FALSE(m_app.InitInstance());
  EXPECT_EQ(m_pages, c.pages);
  EXPECT_EQ(m_app.m_nRunsMade, 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, RunningBrowserTest,
                         ::testing::Values(BrowserCase{"Closed", 525, 22, {Page::kBrowser}},
                                           BrowserCase{"Confirmed", 270, 420, {Page::kBrowser, Page::kWelcome}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VamoSetupAppTest, SecondStartRestoresTheFirstMinimisedWindowAndEnds) {
  ASSERT_TRUE(SharedXvfb().StartWindowManager()) << "openbox did not start";
  m_app.m_bHoldStart = true;
  int nStage = 0;
  pid_t second = -1;
  int nSecondStatus = -1;
  ModalHook hook(
      [&] {
        Dialog* pPage = Observe();
        switch (nStage) {
          case 0:
            if (!Ready(pPage) || PageOf(pPage) != Page::kWelcome) break;
            nStage = 1;
            ClickAt(*pPage, 270, 420);
            break;
          case 1:
            if (PageOf(pPage) != Page::kMain || !m_app.m_pRun || !m_app.m_pRun->m_bStarted) break;
            nStage = 2;
            pPage->ShowWindow(SW_MINIMIZE);
            break;
          case 2:
            if (!m_pLast->IsIconic()) break;
            nStage = 3;
            EXPECT_EQ(SpawnSetup(&second), 0);
            break;
          case 3: {
            int status = 0;
            if (waitpid(second, &status, WNOHANG) != second) break;
            nSecondStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            nStage = 4;
            break;
          }
          case 4:
            if (m_pLast->IsIconic()) break;
            nStage = 5;
            m_app.m_pRun->m_bHoldStart = false;
            static_cast<Dialog*>(m_pLast)->EndDialog(IDCANCEL);
            break;
          default: break;
        }
      },
      40s);
  EXPECT_FALSE(m_app.InitInstance());
  SharedXvfb().StopWindowManager();
  if (second > 0 && nSecondStatus < 0) {
    kill(second, SIGKILL);
    waitpid(second, nullptr, 0);
  }
  EXPECT_EQ(nStage, 5) << "the first window was not restored";
  EXPECT_EQ(nSecondStatus, 0) << "the second start did not end by itself";
  EXPECT_EQ(m_pages, (std::vector<Page>{Page::kWelcome, Page::kMain}));
}

TEST_F(VamoSetupAppTest, SecondStartWhileTheFirstHasNoWindowYetRunsNormally) {
  // The first start holds the mutex but shows nothing yet.
  platform::NamedMutex first;
  ASSERT_EQ(first.Create(CVamoSetupApp::kMutexName), platform::kErrorSuccess);
  pid_t second = -1;
  ASSERT_EQ(SpawnSetup(&second), 0);
  DesktopWindowId window = 0;
  const bool bShown = WaitFor([&] { return (window = FindDesktopWindow(kWizardTitle)) != 0; }, 15s);
  if (bShown) RunPumping({"xdotool", "windowfocus", "--sync", std::to_string(window), "key", "Escape"});
  int status = -1;
  const bool bEnded = WaitFor([&] { return waitpid(second, &status, WNOHANG) == second; }, 15s);
  if (!bEnded) {
    kill(second, SIGKILL);
    waitpid(second, &status, 0);
  }
  EXPECT_TRUE(bShown) << "the second start showed no welcome page";
  EXPECT_TRUE(bEnded);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(VamoSetupAppTest, WithoutADisplayItEndsWithAnErrorStatusAndShowsNothing) {
  pid_t pid = -1;
  ASSERT_EQ(SpawnSetup(&pid, "DISPLAY"), 0);
  int status = -1;
  ASSERT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 15s));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

}  // namespace
