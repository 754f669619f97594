// The browser-close prompt and the welcome page: which running processes
// count as browsers (processes this test starts, in its own PID namespace),
// where their icons go for one to nine browsers, the version line, the
// welcome text's place, and the answers their buttons and Esc give (real X
// input).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "tests/support/PrivateProcesses.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogBrowser.h"
#include "ui/DialogSkin.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

class PromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasPrivateProcesses()) GTEST_SKIP() << "needs a PID namespace of its own (root)";
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
  }
};

struct ScanCase {
  const char* name;
  std::vector<std::string> processes;
  std::vector<int> running;  // entries, in drawing order
  friend void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }
};

class BrowserScanTest : public PromptTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(BrowserScanTest, CountsEachRunningBrowserOnceAndDrawsItsIconInItsSlot) {
  const ScanCase& c = GetParam();
  NamedProcesses processes(c.processes);
  ASSERT_EQ(processes.Started(), c.processes.size());
  CDialogBrowser dialog;
  ASSERT_TRUE(dialog.Create(IDD_DIALOG_BROWSER));
  const CBrowserScan& scan = dialog.Scan();
  EXPECT_EQ(scan.Count(), static_cast<int>(c.running.size()));
  for (int i = 0; i < CBrowserScan::kBrowserCount; ++i) {
    const bool expected = std::find(c.running.begin(), c.running.end(), i) != c.running.end();
    EXPECT_EQ(scan.IsRunning(i), expected) << CBrowserScan::Browsers()[static_cast<size_t>(i)].pszProcess;
  }

  const Bitmap shown = Painted(dialog);
  EXPECT_TRUE(HasBitmapAt(shown, IDB_BROWSER_NOTICE, 90, 175));
  std::vector<Size> sizes;
  for (int i : c.running) {
    Bitmap icon;
    icon.LoadBitmap(CBrowserScan::Browsers()[static_cast<size_t>(i)].nIcon);
    sizes.push_back(icon.GetSize());
  }
  const std::vector<CDialogBrowser::IconPlace> places = CDialogBrowser::IconPlaces(sizes);
  ASSERT_EQ(places.size(), c.running.size());
  for (size_t k = 0; k < places.size(); ++k) {
    if (c.running.size() <= 7) {
      EXPECT_EQ(places[k].y, 90);
      EXPECT_TRUE(HasBitmapAt(shown, CBrowserScan::Browsers()[static_cast<size_t>(c.running[k])].nIcon,
                              places[k].x, places[k].y))
          << "icon " << k;
    } else {
      // The smaller icons: drawn where their places say, inside the panel.
      const CDialogBrowser::IconPlace& p = places[k];
      int nInk = 0;
      for (int y = p.y; y < p.y + p.cy; ++y)
        for (int x = p.x; x < p.x + p.cx; ++x) nInk += shown.GetPixel(x, y) != RGB(255, 255, 255);
      EXPECT_GT(nInk, p.cx * p.cy / 4) << "icon " << k;
    }
  }
  dialog.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(
    Processes, BrowserScanTest,
    ::testing::Values(
        ScanCase{"one", {"chrome.exe"}, {3}},
        ScanCase{"two_of_one", {"chrome.exe", "chrome.exe"}, {3}},
        ScanCase{"letter_case", {"Chrome.exe", "FIREFOX.EXE"}, {1, 3}},
        ScanCase{"others_pass", {"chrome", "notepad.exe", "chrome.exe.bak", "xchrome.exe"}, {}},
        ScanCase{"three_60", {"360.exe", "360se.exe"}, {5, 6}},
        ScanCase{"four", {"opera.exe", "iexplore.exe", "qqbrowser.exe", "safari.exe"}, {0, 2, 4, 8}},
        ScanCase{"seven",
                 {"iexplore.exe", "firefox.exe", "safari.exe", "chrome.exe", "opera.exe", "360.exe", "360se.exe"},
                 {0, 1, 2, 3, 4, 5, 6}},
        ScanCase{"eight",
                 {"iexplore.exe", "firefox.exe", "safari.exe", "chrome.exe", "opera.exe", "360.exe", "360se.exe",
                  "360browser.exe"},
                 {0, 1, 2, 3, 4, 5, 6, 7}},
        ScanCase{"nine",
                 {"iexplore.exe", "firefox.exe", "safari.exe", "chrome.exe", "opera.exe", "360.exe", "360se.exe",
                  "360browser.exe", "qqbrowser.exe"},
                 {0, 1, 2, 3, 4, 5, 6, 7, 8}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BrowserIconPlacesTest, EightOrNineShareTwoRowsAboveTheNoticeWithoutOverlapping) {
  for (int nCount : {8, 9}) {
    std::vector<Size> sizes(static_cast<size_t>(nCount), Size{65, 65});
    sizes[4] = {70, 65};  // Opera's picture is wider
    const std::vector<CDialogBrowser::IconPlace> places = CDialogBrowser::IconPlaces(sizes);
    ASSERT_EQ(places.size(), static_cast<size_t>(nCount));
    std::set<int> rows;
    for (size_t i = 0; i < places.size(); ++i) {
      const auto& p = places[i];
      rows.insert(p.y);
      EXPECT_EQ(p.cy, CDialogBrowser::kSmallIconHeight);
      // Inside the icon panel (x 12..538, y 62..) and above the notice.
      EXPECT_GT(p.x, 12);
      EXPECT_LT(p.x + p.cx, 538);
      EXPECT_GT(p.y, 62);
      EXPECT_LE(p.y + p.cy, 175);
      for (size_t j = 0; j < i; ++j) {
        const auto& q = places[j];
        const bool apart = p.x >= q.x + q.cx || q.x >= p.x + p.cx || p.y >= q.y + q.cy || q.y >= p.y + p.cy;
        EXPECT_TRUE(apart) << i << " overlaps " << j;
      }
    }
    EXPECT_EQ(rows.size(), 2u);
    // The first seven stay on the seven-slot row's centres.
    const int slot7[7] = {17, 90, 163, 236, 309, 382, 455};
    for (int i = 0; i < 7; ++i)
      EXPECT_NEAR(places[static_cast<size_t>(i)].x + places[static_cast<size_t>(i)].cx / 2.0, slot7[i] + 32.5, 1.0);
    // The second row is centred under the first.
    const auto& first = places[7];
    const auto& last = places.back();
    EXPECT_NEAR((first.x + last.x + last.cx) / 2.0, (17 + 455 + 65) / 2.0, 1.0);
  }
}

TEST_F(PromptTest, VersionLineShowsTheProgramsFileVersion) {
  NamedProcesses processes({"chrome.exe"});
  CDialogBrowser dialog;
  ASSERT_TRUE(dialog.Create(IDD_DIALOG_BROWSER));
  const Bitmap shown = Painted(dialog);
  Bitmap background;
  background.LoadBitmap(IDB_BROWSER_BACKGROUND);
  int nTop = 450, nBottom = 0, nLeft = 550;
  for (int y = 370; y < 440; ++y)
    for (int x = 16; x < 240; ++x)
      if (shown.GetPixel(x, y) != background.GetPixel(x, y)) {
        nTop = std::min(nTop, y);
        nBottom = std::max(nBottom, y + 1);
        nLeft = std::min(nLeft, x);
      }
  ASSERT_LT(nTop, nBottom) << "no version line";
  EXPECT_NEAR((nTop + nBottom) / 2.0, 405.0, 4.0);
  EXPECT_LT(nLeft, 20);
  // The text itself comes from the program's own version resource.
  CVersionInfo version;
  ASSERT_TRUE(version.Load(platform::ModuleFileName()));
  EXPECT_EQ(version.GetFileVersion(), "1, 0, 1, 8");
  dialog.DestroyWindow();
}

// ---------------------------------------------------------------- welcome

TEST_F(PromptTest, WelcomeTextSitsInTheLowerPanelAboveTheNextButton) {
  CDialogWelcome dialog;
  ASSERT_TRUE(dialog.Create(IDD_DIALOG_WELCOME));
  const Bitmap shown = Painted(dialog);
  EXPECT_TRUE(HasBitmapAt(shown, IDB_WELCOME_HEADING, 153, 82));
  Bitmap background;
  background.LoadBitmap(IDB_WELCOME_BACKGROUND);
  int nTop = 450, nBottom = 0, nLeft = 550;
  for (int y = 130; y < 400; ++y)
    for (int x = 20; x < 530; ++x)
      if (shown.GetPixel(x, y) != background.GetPixel(x, y)) {
        nTop = std::min(nTop, y);
        nBottom = std::max(nBottom, y + 1);
        nLeft = std::min(nLeft, x);
      }
  EXPECT_GE(nTop, 151);
  EXPECT_LT(nTop, 155);
  EXPECT_GE(nLeft, 38);
  EXPECT_LT(nLeft, 42);
  // The last line's cell starts at 229 + 5h with h = 12 (about y = 290);
  // a descender may reach a pixel or two below it.
  EXPECT_GT(nBottom, 285);
  EXPECT_LE(nBottom, 304);
  dialog.DestroyWindow();
}

// ---------------------------------------------------------------- answers

struct AnswerCase {
  const char* name;
  bool bWelcome;
  int x, y;  // a click there, or Escape when x < 0
  intptr_t result;
  friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

class AnswerTest : public PromptTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerTest, ButtonsAndEscapeEndTheDialogWithTheirAnswer) {
  const AnswerCase& c = GetParam();
  CDialogWelcome welcome;
  CDialogBrowser prompt;
  Dialog& dialog = c.bWelcome ? static_cast<Dialog&>(welcome) : static_cast<Dialog&>(prompt);
  bool bDone = false;
  ModalHook hook([&] {
    if (bDone || !dialog.m_hWnd || !ScreenShowsPainting(dialog)) return;
    bDone = true;
    if (c.x < 0) {
      const std::string id = std::to_string(GetNativeWindowId(dialog.m_hWnd));
      RunPumping({"xdotool", "windowfocus", "--sync", id, "key", "Escape"});
    } else {
      ClickAt(dialog, c.x, c.y);
    }
  });
  EXPECT_EQ(dialog.DoModal(), c.result);
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerTest,
                         ::testing::Values(AnswerCase{"WelcomeNext", true, 270, 420, IDOK},
                                           AnswerCase{"WelcomeClose", true, 525, 22, IDCANCEL},
                                           AnswerCase{"WelcomeEscape", true, -1, -1, IDCANCEL},
                                           AnswerCase{"BrowserConfirm", false, 270, 420, IDOK},
                                           AnswerCase{"BrowserClose", false, 525, 22, IDCANCEL}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
