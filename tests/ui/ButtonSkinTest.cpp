// Skinned buttons on a dialog made from the main window's template, under a
// private X server with real X input: what the display shows in each state,
// when a click counts, the sizing rule and the shared dialog conventions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "resources/resource.h"
#include "tests/support/XvfbSession.h"
#include "ui/BufferDC.h"
#include "ui/ButtonSkin.h"
#include "ui/DialogSkin.h"
#include "ui/SkinnedDialog.h"

using namespace platform::gui;
using namespace std::chrono_literals;

namespace {

// A dialog laid out as the main window: background, run-cancel and close
// buttons, the done button beside them with pictures of three sizes.
class SkinHostDialog : public CSkinnedDialog {
 public:
  SkinHostDialog() : CSkinnedDialog(IDD_VAMOSETUP_DIALOG) {}

  void DoDataExchange(DataExchange* pDX) override {
    DDX_Control(pDX, IDC_DONE, m_btnDone);
    DDX_Control(pDX, IDOK, m_btnRun);
    DDX_Control(pDX, IDCANCEL, m_btnClose);
  }
  BOOL OnInitDialog() override {
    CSkinnedDialog::OnInitDialog();
    LoadSkinBitmap(m_bmpBackground, IDB_MAIN_BACKGROUND, nullptr);
    ResizeToBitmap(this, m_bmpBackground);
    m_btnRun.SetBitmaps(IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, IDB_CANCEL_NORMAL);
    m_btnClose.SetBitmaps(IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER, IDB_CLOSE_X_NORMAL);
    m_btnDone.SetBitmaps(IDB_CONFIRM_NORMAL, IDB_SAVE_PRESSED, IDB_ERROR_DETAIL_HOVER, IDB_CONFIRM_NORMAL);
    const UINT place = SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW;
    m_btnRun.SetWindowPos(nullptr, 245, 408, 0, 0, place);
    m_btnClose.SetWindowPos(nullptr, 517, 14, 0, 0, place);
    m_btnDone.SetWindowPos(nullptr, 40, 300, 0, 0, place);
    GetDlgItem(IDC_ERROR_DETAIL)->ShowWindow(SW_HIDE);
    return TRUE;
  }
  void OnPaint() override {
    PaintDC dc(this);
    Rect rc;
    GetClientRect(&rc);
    CBufferDC buffer(&dc, &rc);
    DrawSkinBitmap(buffer, m_bmpBackground, 0, 0);
    ++m_nPaints;
  }
  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    m_clicks.push_back(LOWORD(wParam));
    return TRUE;  // stays open
  }

  Bitmap m_bmpBackground;
  CButtonSkin m_btnDone;
  CButtonSkin m_btnRun;
  CButtonSkin m_btnClose;
  std::vector<int> m_clicks;
  int m_nPaints = 0;
};

class ButtonSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
    ASSERT_TRUE(m_dialog.Create(IDD_VAMOSETUP_DIALOG));
    ASSERT_TRUE(WaitFor([&] { return m_dialog.m_nPaints > 0; })) << "the dialog was never painted";
  }
  // With VAMO_TEST_CAPTURE_DIR set, what the X server shows of the dialog
  // at the end of each test is kept there as a PNG.
  void TearDown() override {
    const char* dir = std::getenv("VAMO_TEST_CAPTURE_DIR");
    if (!dir || !m_dialog.m_hWnd) return;
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    EXPECT_TRUE(CaptureWindowToPng(GetNativeWindowId(m_dialog.m_hWnd), std::string(dir) + "/" + name + ".png"));
  }

  // Screen point of a client point of the dialog.
  std::vector<std::string> At(int x, int y) {
    Point pt{x, y};
    m_dialog.ClientToScreen(&pt);
    return {std::to_string(pt.x), std::to_string(pt.y)};
  }
  bool Move(int x, int y) {
    const auto at = At(x, y);
    return Xdotool({"mousemove", at[0], at[1]});
  }
  // The display shows exactly this picture where the button is.
  static bool Shows(CButtonSkin& button, UINT nID) {
    Bitmap expected;
    if (!expected.LoadBitmap(nID)) return false;
    return ShowsPixels(button, expected, {0, 0});
  }
  static bool ShowsPixels(Window& window, const Bitmap& expected, Point from) {
    Bitmap shown;
    if (!CaptureWindow(window.m_hWnd, &shown)) return false;
    const Size size = shown.GetSize();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (shown.GetPixel(x, y) != expected.GetPixel(from.x + x, from.y + y)) return false;
    return true;
  }
  bool WaitShows(CButtonSkin& button, UINT nID) {
    return WaitFor([&] { return Shows(button, nID); }, 3s);
  }

  SkinHostDialog m_dialog;
};

TEST_F(ButtonSkinTest, ShowsHoverOnEntryAndNormalOnLeaveAlsoWhenLeavingFast) {
  CButtonSkin& run = m_dialog.m_btnRun;
  ASSERT_TRUE(WaitShows(run, IDB_CANCEL_NORMAL));
  ASSERT_TRUE(Move(260, 420));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_HOVER)) << "no hover picture on entry";
  EXPECT_EQ(run.IsHover(), 1);
  ASSERT_TRUE(Move(200, 420));  // onto the dialog's own background
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_NORMAL)) << "no normal picture after leaving";
  EXPECT_EQ(run.IsHover(), 0);

  // From inside the button straight out of the window, past its border.
  ASSERT_TRUE(Move(270, 425));
  ASSERT_TRUE(WaitShows(run, IDB_CANCEL_HOVER));
  ASSERT_TRUE(Xdotool({"mousemove", "1020", "765"}));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_NORMAL)) << "still hover after a fast exit";
  EXPECT_EQ(run.IsHover(), 0);
}

TEST_F(ButtonSkinTest, PressShowsPressedAndReleaseInsideShowsHoverAndClicksOnce) {
  CButtonSkin& run = m_dialog.m_btnRun;
  ASSERT_TRUE(Move(260, 420));
  ASSERT_TRUE(WaitShows(run, IDB_CANCEL_HOVER));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_PRESSED)) << "no pressed picture";
  EXPECT_TRUE(m_dialog.m_clicks.empty()) << "BN_CLICKED on the press";
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_HOVER)) << "no hover picture after the release";
  EXPECT_EQ(m_dialog.m_clicks, std::vector<int>{IDOK});
  EXPECT_EQ(run.IsPressed(), 0);
}

TEST_F(ButtonSkinTest, DragOutAndReleaseOutsideSendsNoClick) {
  CButtonSkin& run = m_dialog.m_btnRun;
  ASSERT_TRUE(Move(260, 420));
  ASSERT_TRUE(WaitShows(run, IDB_CANCEL_HOVER));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  ASSERT_TRUE(WaitShows(run, IDB_CANCEL_PRESSED));
  ASSERT_TRUE(Move(100, 430));  // out of the button, still in the window
  ASSERT_TRUE(Xdotool({"mousemove", "1020", "765", "mouseup", "1"}));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_NORMAL));
  EXPECT_EQ(run.IsPressed(), 0);
  EXPECT_EQ(GetCapture(), nullptr);
  WaitFor([] { return false; }, 100ms);
  EXPECT_TRUE(m_dialog.m_clicks.empty());
}

TEST_F(ButtonSkinTest, TakesTheSizeOfThePictureItShows) {
  CButtonSkin& done = m_dialog.m_btnDone;
  Rect rc;
  ASSERT_TRUE(WaitShows(done, IDB_CONFIRM_NORMAL));
  done.GetClientRect(&rc);
  const Size normal = [] { Bitmap b; b.LoadBitmap(IDB_CONFIRM_NORMAL); return b.GetSize(); }();
  const Size hover = [] { Bitmap b; b.LoadBitmap(IDB_ERROR_DETAIL_HOVER); return b.GetSize(); }();
  const Size pressed = [] { Bitmap b; b.LoadBitmap(IDB_SAVE_PRESSED); return b.GetSize(); }();
  ASSERT_NE(normal, hover);
  ASSERT_NE(hover, pressed);
  EXPECT_EQ((Size{Width(rc), Height(rc)}), normal);

  ASSERT_TRUE(Move(45, 305));
  ASSERT_TRUE(WaitShows(done, IDB_ERROR_DETAIL_HOVER));
  done.GetClientRect(&rc);
  EXPECT_EQ((Size{Width(rc), Height(rc)}), hover);
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  ASSERT_TRUE(WaitShows(done, IDB_SAVE_PRESSED));
  done.GetClientRect(&rc);
  EXPECT_EQ((Size{Width(rc), Height(rc)}), pressed);
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
}

TEST_F(ButtonSkinTest, AStateWhosePictureDidNotLoadDrawsNothingAndKeepsTheSize) {
  CButtonSkin& run = m_dialog.m_btnRun;
  CButtonSkin fresh;  // a new button: no pictures at all yet
  EXPECT_EQ(fresh.SetBitmaps(IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, 9999, IDB_CANCEL_NORMAL), 0);
  // On the dialog's button the hover picture is replaced by nothing: the
  // missing one leaves the old one in place.
  EXPECT_EQ(run.SetBitmaps(IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, 9999, IDB_CANCEL_NORMAL), 0);
  ASSERT_TRUE(Move(260, 420));
  EXPECT_TRUE(WaitShows(run, IDB_CANCEL_HOVER));

  // A button made without a hover picture shows the dialog behind it while
  // hovered, at its last size.
  ASSERT_TRUE(fresh.SubclassDlgItem(IDC_ERROR_DETAIL, &m_dialog));
  fresh.SetWindowPos(nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  ASSERT_TRUE(WaitShows(fresh, IDB_CANCEL_NORMAL));
  ASSERT_TRUE(Move(310, 310));
  Bitmap background;
  ASSERT_TRUE(background.LoadBitmap(IDB_MAIN_BACKGROUND));
  EXPECT_TRUE(WaitFor([&] { return fresh.IsHover() && ShowsPixels(fresh, background, {300, 300}); }, 3s));
  Rect rc;
  fresh.GetClientRect(&rc);
  EXPECT_EQ((Size{Width(rc), Height(rc)}), (Size{61, 30}));
}

TEST_F(ButtonSkinTest, TemplateButtonsBecomeOwnerDrawnKeepingTheirOtherStyles) {
  for (CButtonSkin* button : {&m_dialog.m_btnRun, &m_dialog.m_btnClose, &m_dialog.m_btnDone}) {
    EXPECT_EQ(button->GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_TRUE(button->GetStyle() & WS_CHILD);
  }
  Button plain;
  ASSERT_TRUE(plain.Create("기본", WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, {0, 0, 60, 20}, &m_dialog, 77));
  plain.UnsubclassWindow();
  CButtonSkin skin;
  ASSERT_TRUE(skin.SubclassWindow(plain.m_hWnd));
  EXPECT_EQ(skin.GetStyle() & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_TRUE(skin.GetStyle() & WS_TABSTOP);
  skin.DestroyWindow();
}

TEST_F(ButtonSkinTest, DialogIsSizedToItsBackgroundAndDraggedByItsTitleBar) {
  Rect before;
  m_dialog.GetWindowRect(&before);
  EXPECT_EQ((Size{Width(before), Height(before)}), (Size{550, 450}));
  const auto start = At(300, 20), end = At(340, 50);
  ASSERT_TRUE(Xdotool({"mousemove", start[0], start[1], "mousedown", "1"}));
  WaitFor([] { return false; }, 100ms);
  const auto mid = At(320, 35);
  ASSERT_TRUE(Xdotool({"mousemove", mid[0], mid[1], "mousemove", end[0], end[1], "mouseup", "1"}));
  Rect after;
  EXPECT_TRUE(WaitFor([&] {
    m_dialog.GetWindowRect(&after);
    return after.left == before.left + 40 && after.top == before.top + 30;
  })) << after.left - before.left << "," << after.top - before.top;

  // Below the title bar a press moves nothing.
  const auto low = At(300, 60), lower = At(340, 90);
  ASSERT_TRUE(Xdotool({"mousemove", low[0], low[1], "mousedown", "1", "mousemove", lower[0], lower[1], "mouseup", "1"}));
  WaitFor([] { return false; }, 150ms);
  Rect still;
  m_dialog.GetWindowRect(&still);
  EXPECT_EQ(still, after);
}

}  // namespace
