// The wizard as a user runs it, inside the network lab: start-up, Next, the
// program's own run, and its end. The test runs itself again in the lab's
// client namespace (its own X server starts there too); nothing of the run
// reaches the machine's network.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/VamoSetupApp.h"
#include "resources/resource.h"
#include "tests/support/NetworkLab.h"
#include "tests/support/PrivateProcesses.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogError.h"
#include "ui/DialogMain.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

// The program's start-up with the program's own run; the test only keeps a
// pointer to the run to compare the saved report with it.
class CWatchedApp : public CVamoSetupApp {
 public:
  CSetupDriver* m_pRun = nullptr;

 protected:
  std::unique_ptr<CSetupDriver> CreateRun(MessageTarget* pWindow) override {
    std::unique_ptr<CSetupDriver> pRun = CVamoSetupApp::CreateRun(pWindow);
    m_pRun = pRun.get();
    return pRun;
  }
};

TEST(WholeRunTest, FailedRunShowsTheErrorPageWhichSavesTheReport) {
  if (!NetworkLab::InsideLab()) {
    VAMO_REQUIRE_LAB();
    if (!HasPrivateProcesses()) GTEST_SKIP() << "needs a PID namespace of its own (root)";
    // The update server refuses connections: the run fails when it fetches
    // the update list.
    NetworkLabOptions options;
    options.switches = {"update80=closed"};
    NetworkLab lab(options);
    ASSERT_TRUE(lab.IsUp()) << lab.Error();
    EXPECT_TRUE(lab.RunCurrentTestInside());
    return;
  }
  ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
  ASSERT_TRUE(Initialize());
  TempPrefix prefix;
  TempDir folder;
  CWatchedApp app;

  int nStage = 0;
  CDialogMain* pMain = nullptr;
  std::string strShown;
  ModalHook hook(
      [&] {
        Window* pActive = Window::FromHandle(GetActiveWindow());
        switch (nStage) {
          case 0:
            if (!dynamic_cast<CDialogWelcome*>(pActive) || !ScreenShowsPainting(*pActive)) break;
            nStage = 1;
            ClickAt(*pActive, 270, 420);
            break;
          case 1:  // the run goes by itself until it fails
            if (!(pMain = dynamic_cast<CDialogMain*>(pActive)) || !IsShown(*pMain, IDC_ERROR_DETAIL)) break;
            EXPECT_FALSE(IsShown(*pMain, IDOK));
            EXPECT_TRUE(IsShown(*pMain, IDC_DONE));
            EXPECT_NE(app.m_pRun->m_errorInfo.m_nCode, 0);
            strShown = CDialogMain::ErrorMessageText(app.m_pRun->m_errorInfo);
            EXPECT_TRUE(app.m_pRun->m_setupReport.TextUtf8().ends_with(strShown + "\r\n"));
            nStage = 2;
            ClickAt(*pMain, 60, 221);
            break;
          case 2:
            if (!dynamic_cast<CDialogError*>(pActive) || !ScreenShowsPainting(*pActive)) break;
            EXPECT_EQ(static_cast<CDialogError*>(pActive)->MessageText(), strShown);
            nStage = 3;
            ClickAt(*pActive, 190, 270);
            break;
          case 3:
            nStage = 4;
            RunPumping({"xdotool", "search", "--sync", "--onlyvisible", "--name", "다른 이름으로 저장", "windowfocus",
                        "--sync", "%1", "sleep", "0.5", "key", "ctrl+a", "type", "--delay", "20",
                        folder.Path() + "/report"},
                       30s);
            RunPumping({"xdotool", "sleep", "0.3", "key", "Return"});
            break;
          case 4:  // saved: compare, then close the page and the window
            if (ReadHostFile(folder.Path() + "/report.rpt").empty() || !dynamic_cast<CDialogError*>(pActive) ||
                !pActive->IsWindowEnabled())
              break;
            {
              const std::string saved = ReadHostFile(folder.Path() + "/report.rpt");
              const std::u16string& report = app.m_pRun->m_setupReport.Text();
              EXPECT_EQ(saved.size(), 2 + 2 * report.size());
              EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
              EXPECT_EQ(saved.compare(2, std::string::npos, reinterpret_cast<const char*>(report.data()),
                                      2 * report.size()),
                        0);
            }
            nStage = 5;
            ClickAt(*pActive, 285, 270);  // 닫기
            break;
          case 5:  // the page is gone and the window takes input again
            if (dynamic_cast<CDialogError*>(pActive) || !pMain->IsWindowEnabled()) break;
            nStage = 6;
            ClickAt(*pMain, 270, 420);  // 확인
            break;
          default: break;
        }
      },
      100s);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(nStage, 6);
}

}  // namespace
