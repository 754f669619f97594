// The error-details page: the report's default name and the extension rule,
// the message with and without detail, the text clipped at its rectangle,
// and, under a private X server through the failed main window, saving the
// report through the toolkit's save dialog with a typed name, a report that
// cannot be written, and the action-guide page.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "engine/ErrorCodes.h"
#include "platform/fs/Path.h"
#include "platform/gui/PaintDC.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "tests/support/ScriptedRun.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogError.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

TEST(DialogErrorNameTest, DefaultNameCarriesTheLocalDate) {
  std::tm date{};
  date.tm_year = 2020 - 1900;
  date.tm_mon = 11;
  date.tm_mday = 31;
  EXPECT_EQ(CDialogError::DefaultReportName(date), "케보 전자결제 서비스 설치오류 (20201231).rpt");
  date.tm_year = 2024 - 1900;
  date.tm_mon = 0;
  date.tm_mday = 5;
  EXPECT_EQ(CDialogError::DefaultReportName(date), "케보 전자결제 서비스 설치오류 (20240105).rpt");
}

struct PathCase {
  const char* chosen;
  const char* saved;
};

class ReportPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ReportPathTest, RptIsAddedOnlyToANameWithoutExtension) {
  EXPECT_EQ(CDialogError::ReportPath(GetParam().chosen), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReportPathTest,
    ::testing::Values(PathCase{"Z:\\home\\kim\\report", "Z:\\home\\kim\\report.rpt"},
                      PathCase{"Z:\\home\\kim\\report.rpt", "Z:\\home\\kim\\report.rpt"},
                      PathCase{"Z:\\home\\kim\\report.txt", "Z:\\home\\kim\\report.txt"},
                      // A dot in a folder's name is no extension of the file.
                      PathCase{"Z:\\home\\kim.lee\\report", "Z:\\home\\kim.lee\\report.rpt"},
                      PathCase{"Z:/home/kim.lee/report", "Z:/home/kim.lee/report.rpt"},
                      PathCase{"Z:\\home\\kim\\report.", "Z:\\home\\kim\\report.rpt"},
                      PathCase{"Z:\\home\\kim\\설치오류 (20201231)", "Z:\\home\\kim\\설치오류 (20201231).rpt"}));

// ---------------------------------------------------------------- the page itself

class DialogErrorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
    m_main.SetRun(&m_run);
  }
  TempPrefix m_prefix;
  // The run outlives the window: made first, gone last.
  CScriptedRun m_run{&m_main};
  CDialogMain m_main;
};

TEST_F(DialogErrorWindowTest, ShowsTheMessageInItsRectangleAndCutsWhatDoesNotFit) {
  const Bitmap body = [] {
    Bitmap b;
    b.LoadBitmap(IDB_ERROR_BODY);
    return b;
  }();
  // Rows of the text area below the top separator and above the advice
  // picture show the body's own pixels: the text is cut at y = 111.
  auto bareBelowTheText = [&body](const Bitmap& shown) {
    for (int y = 113; y < 124; ++y)
      for (int x = 21; x < 439; ++x)
        if (shown.GetPixel(x, y) != body.GetPixel(x, y - 34)) return false;
    return true;
  };
  for (const char* detail : {"", "C:\\Users\\kim\\AppData\\LocalLow\\VamoPlugin & more"}) {
    m_run.m_errorInfo.SetError(kErrInstallItems, detail);
    CDialogError dialog;
    dialog.m_pOwner = &m_main;
    ASSERT_TRUE(dialog.Create(IDD_DIALOG_ERROR));
    EXPECT_EQ(dialog.MessageText(), m_run.ErrorMessageText());
    Rect rc;
    dialog.GetClientRect(&rc);
    EXPECT_EQ(rc.right, 460);
    EXPECT_EQ(rc.bottom, 300);
    const Bitmap shown = Painted(dialog);
    EXPECT_TRUE(HasBitmapAt(shown, IDB_ERROR_ADVICE, 21, 124));
    EXPECT_TRUE(HasBitmapAt(shown, IDB_ERROR_CONTACTS, 61, 171));
    EXPECT_TRUE(HasBitmapAt(shown, IDB_ERROR_HELP_QUESTION, 61, 208));
    EXPECT_TRUE(HasBitmapAt(shown, IDB_ERROR_LINE_TOP, 21, 111));
    // Ink in the text rectangle, starting at its top-left.
    int nInkTop = -1, nInkLeft = 460;
    for (int y = 40; y < 111; ++y)
      for (int x = 21; x < 439; ++x)
        if (shown.GetPixel(x, y) != body.GetPixel(x, y - 34)) {
          if (nInkTop < 0) nInkTop = y;
          nInkLeft = std::min(nInkLeft, x);
        }
    EXPECT_GE(nInkTop, 45);
    EXPECT_LT(nInkTop, 49);
    EXPECT_GE(nInkLeft, 21);
    EXPECT_LT(nInkLeft, 25);
    EXPECT_TRUE(bareBelowTheText(shown)) << "the message ran past y = 111";
    dialog.DestroyWindow();
  }
}

TEST_F(DialogErrorWindowTest, SavesTheReportUnderATypedNameAndOpensTheGuide) {
  RecorderBrowser& browser = SharedRecorderBrowser();
  const std::string opened = browser.Opened();
  TempDir folder;
  // A folder where the second save wants its file: that one cannot be written.
  mkdir((folder.Path() + "/blocked.rpt").c_str(), 0755);
  m_run.m_nNetworkResult = kErrNetDns;
  m_run.m_setupReport.AppendLine("------- ANALYSIS NETWORK BEGIN -------\r\n");
  m_run.m_setupReport.AppendLine("%s\r\n", "- 게이트웨이 : 198.51.100.1 100%");
  ASSERT_TRUE(m_main.Create(IDD_VAMOSETUP_DIALOG));
  ASSERT_TRUE(WaitFor([&] { return IsShown(m_main, IDC_ERROR_DETAIL); }, 10s)) << "no failed state";

  const std::string title = kWizardTitle;
  auto visibleWizardWindows = [&title] {
    // Counted by the X server: the main window, the page, a message box.
    return RunPumping({"sh", "-c", "test $(xdotool search --onlyvisible --name '^" + title + "$' | wc -l) -ge 3"},
                      5s) == 0;
  };
  FileDialogTyping saveDialog("다른 이름으로 저장");

  // Each stage moves on before it clicks or types: a click that opens a
  // dialog returns only when that dialog closes, and the next stages run
  // inside it. A stage that waits on a program (xdotool) checks afterwards
  // that no tick nested in that wait has moved on meanwhile.
  int nStage = 0;
  CDialogError* pPage = nullptr;
  std::string strShownMessage;
  const std::string typed = folder.Path() + "/typed-report.rpt";
  ModalHook hook([&] {
    Window* pActive = Window::FromHandle(GetActiveWindow());
    switch (nStage) {
      case 0:  // the failed main window: open the page
        nStage = 1;
        ClickAt(m_main, 60, 221);
        break;
      case 1:  // the page is up: save
        if (!(pPage = dynamic_cast<CDialogError*>(pActive))) break;
        nStage = 2;
        strShownMessage = pPage->MessageText();
        EXPECT_TRUE(WaitFor([&] { return ScreenShowsPainting(*pPage); }, 3s));
        nStage = 3;
        ClickAt(*pPage, 190, 270);
        break;
      case 3:  // the save dialog: a name without extension
        if (!saveDialog.Shown()) break;
        nStage = 4;
        EXPECT_TRUE(saveDialog.Type(folder.Path() + "/typed-report"));
        break;
      case 4:  // saved silently, the page stays: save again where nothing can be written
        saveDialog.RetypeIfStillShown();
        if (nStage != 4 || ReadHostFile(typed).empty() || pActive != pPage || !pPage->IsWindowEnabled()) break;
        nStage = 5;
        ClickAt(*pPage, 190, 270);
        break;
      case 5:
        if (!saveDialog.Shown()) break;
        nStage = 6;
        EXPECT_TRUE(saveDialog.Type(folder.Path() + "/blocked"));
        break;
      case 6:  // the user is told
        saveDialog.RetypeIfStillShown();
        if (!visibleWizardWindows() || nStage != 6) break;
        nStage = 7;
        RunPumping({"xdotool", "key", "Return"});
        break;
      case 7:  // the guide, then close
        if (visibleWizardWindows() || nStage != 7 || !pPage->IsWindowEnabled()) break;
        nStage = 8;
        ClickAt(*pPage, 350, 210);
        break;
      case 8:
        if (browser.Opened() == opened) break;
        nStage = 9;
        ClickAt(*pPage, 285, 270);
        break;
      case 9:
        if (!dynamic_cast<CDialogError*>(pActive)) nStage = 10;
        break;
      default: break;
    }
  });
  ASSERT_TRUE(WaitFor([&] { return nStage == 10; }, 90s)) << "stopped at stage " << nStage;

  EXPECT_EQ(strShownMessage, "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]");
  const std::string saved = ReadHostFile(folder.Path() + "/typed-report.rpt");
  const std::u16string& report = m_run.m_setupReport.Text();
  ASSERT_EQ(saved.size(), 2 + 2 * report.size());
  EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
  for (size_t i = 0; i < report.size(); ++i) {
    ASSERT_EQ(static_cast<unsigned char>(saved[2 + 2 * i]), report[i] & 0xFF) << i;
    ASSERT_EQ(static_cast<unsigned char>(saved[3 + 2 * i]), report[i] >> 8) << i;
  }
  // The report ends with the message the window appended.
  EXPECT_TRUE(m_run.m_setupReport.TextUtf8().ends_with(strShownMessage));
  EXPECT_EQ(browser.Opened(), opened + platform::LoadModuleString(IDS_ACTION_GUIDE_URL) + "\n");
}

}  // namespace
