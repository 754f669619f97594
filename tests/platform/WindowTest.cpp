// The window layer under a private X server with real X input (xdotool):
// message order across threads, timers, button clicks, capture and leave
// tracking, dragging by a painted title bar, dialogs from the resources.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/gui/Button.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "tests/support/ToolRunner.h"
#include "tests/support/XvfbSession.h"

using namespace platform::gui;
using namespace std::chrono_literals;

namespace {

constexpr UINT kTestMessage = WM_USER + 100;

// A top-level window that records what reaches it.
class RecordingWindow : public Window {
 public:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_USER) {
      posted.push_back(static_cast<int>(wParam));
      return 0;
    }
    return Window::WindowProc(message, wParam, lParam);
  }
  void OnPaint() override {
    PaintDC dc(this);
    Rect rc;
    GetClientRect(&rc);
    dc.FillSolidRect(rc, RGB(200, 220, 240));
    ++paints;
  }
  void OnTimer(UINT_PTR nIDEvent) override {
    timers.push_back(nIDEvent);
    if (onTimer) onTimer(nIDEvent);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    clicks.push_back(LOWORD(wParam));
    return TRUE;
  }
  void OnLButtonDown(UINT nFlags, Point point) override {
    ++presses;
    Window::OnLButtonDown(nFlags, point);
    if (point.y < 50) PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(point));
  }

  std::vector<int> posted;
  std::vector<UINT_PTR> timers;
  std::vector<int> clicks;
  std::function<void(UINT_PTR)> onTimer;
  int paints = 0;
  int presses = 0;
};

// A child that arms leave tracking on the first move, as skinned buttons do.
class TrackingChild : public Button {
 public:
  void OnMouseMove(UINT nFlags, Point point) override {
    if (!hover) {
      TRACKMOUSEEVENT tme{TME_LEAVE, m_hWnd, 0};
      if (TrackMouseEvent(&tme)) hover = true;
    }
    Button::OnMouseMove(nFlags, point);
  }
  void OnMouseLeave() override {
    hover = false;
    ++leaves;
  }
  bool hover = false;
  int leaves = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize()) << "no connection to " << SharedXvfb().Display();
    ASSERT_TRUE(m_window.CreateEx(0, "VamoTestWindow", "창 테스트", WS_POPUP, {100, 100, 400, 300}, nullptr, 0));
    ASSERT_TRUE(m_button.Create("확인", WS_VISIBLE, {100, 100, 200, 140}, &m_window, 1000));
    m_window.ShowWindow(SW_SHOW);
    ASSERT_TRUE(WaitFor([&] { return m_window.paints > 0; })) << "the window was never painted";
  }
  void TearDown() override {
    m_button.DestroyWindow();
    m_window.DestroyWindow();
  }

  RecordingWindow m_window;
  TrackingChild m_button;
};

TEST_F(WindowTest, MessagesPostedFromAnotherThreadArriveInOrder) {
  constexpr int kCount = 2000;
  std::thread worker([&] {
    for (int i = 0; i < kCount; ++i) {
      m_window.PostMessage(kTestMessage, static_cast<WPARAM>(i), 0);
      if (i % 100 == 0) m_window.InvalidateRect(Rect{0, 0, 10, 10});
    }
  });
  worker.join();
  ASSERT_TRUE(WaitFor([&] { return m_window.posted.size() == kCount; })) << m_window.posted.size();
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(m_window.posted[i], i);

  // The engine's interface: parameterless posts through MessageTarget.
  MessageTarget* target = &m_window;
  std::thread([&] { target->PostMessage(kTestMessage); }).join();
  ASSERT_TRUE(WaitFor([&] { return m_window.posted.size() == kCount + 1; }));

  // A window that is gone accepts no more posts.
  const HWND gone = m_button.m_hWnd;
  m_button.DestroyWindow();
  EXPECT_FALSE(PostMessage(gone, kTestMessage, 0, 0));
}

TEST_F(WindowTest, TimersFireInOrderAndKilledTimersNeverFire) {
  m_window.SetTimer(3, 90);
  m_window.SetTimer(1, 30);
  m_window.SetTimer(2, 60);
  m_window.SetTimer(7, 40);
  m_window.KillTimer(7);
  // The same id again replaces the earlier timer.
  m_window.SetTimer(9, 20);
  m_window.SetTimer(9, 100000);
  m_window.onTimer = [&](UINT_PTR id) { m_window.KillTimer(id); };
  ASSERT_TRUE(WaitFor([&] { return m_window.timers.size() >= 3; }));
  WaitFor([] { return false; }, 150ms);
  EXPECT_EQ(m_window.timers, (std::vector<UINT_PTR>{1, 2, 3}));
}

TEST_F(WindowTest, TimerKilledWhileItsExpiryIsDueNeverFires) {
  // Both expire together; whichever fires first kills the other, whose
  // expiry is then already due in the same pass of the loop.
  m_window.SetTimer(11, 25);
  m_window.SetTimer(12, 25);
  m_window.onTimer = [&](UINT_PTR id) {
    m_window.KillTimer(11);
    m_window.KillTimer(12);
    (void)id;
  };
  ASSERT_TRUE(WaitFor([&] { return !m_window.timers.empty(); }));
  WaitFor([] { return false; }, 150ms);
  EXPECT_EQ(m_window.timers.size(), 1u);
}

TEST_F(WindowTest, ButtonClicksOnlyWhenReleasedOverIt) {
  // Press and release inside: one BN_CLICKED.
  ASSERT_TRUE(Xdotool({"mousemove", "250", "220", "click", "1"}));
  ASSERT_TRUE(WaitFor([&] { return !m_window.clicks.empty(); })) << "no BN_CLICKED";
  EXPECT_EQ(m_window.clicks, std::vector<int>{1000});

  // Press, drag out of the window, release outside: no click, not pushed.
  ASSERT_TRUE(Xdotool({"mousemove", "250", "220", "mousedown", "1"}));
  ASSERT_TRUE(WaitFor([&] { return m_button.GetState() == BST_PUSHED; }));
  ASSERT_TRUE(Xdotool({"mousemove", "600", "500", "mouseup", "1"}));
  ASSERT_TRUE(WaitFor([&] { return m_button.GetState() == 0 && GetCapture() == nullptr; }));
  WaitFor([] { return false; }, 100ms);
  EXPECT_EQ(m_window.clicks.size(), 1u);
}

TEST_F(WindowTest, LeaveArrivesAlsoWhenThePointerJumpsOutOfTheWindow) {
  ASSERT_TRUE(Xdotool({"mousemove", "150", "150", "mousemove", "240", "220"}));
  ASSERT_TRUE(WaitFor([&] { return m_button.hover; })) << "no WM_MOUSEMOVE on the button";
  // Straight from the button to far outside the window: no move event on
  // the way, only the X server's leave of the top-level window.
  ASSERT_TRUE(Xdotool({"mousemove", "900", "700"}));
  ASSERT_TRUE(WaitFor([&] { return !m_button.hover; })) << "no WM_MOUSELEAVE";
  EXPECT_EQ(m_button.leaves, 1);
  // Into the button and onto the window's own background.
  ASSERT_TRUE(Xdotool({"mousemove", "240", "220"}));
  ASSERT_TRUE(WaitFor([&] { return m_button.hover; }));
  ASSERT_TRUE(Xdotool({"mousemove", "140", "280"}));
  ASSERT_TRUE(WaitFor([&] { return !m_button.hover; }));
  EXPECT_EQ(m_button.leaves, 2);
}

TEST_F(WindowTest, DraggingByTheTopFiftyPixelsMovesTheWindow) {
  Rect before;
  m_window.GetWindowRect(&before);
  ASSERT_EQ(before, (Rect{100, 100, 400, 300}));
  ASSERT_TRUE(Xdotool({"mousemove", "300", "120", "mousedown", "1"}));
  ASSERT_TRUE(WaitFor([&] { return m_window.presses == 1; }));
  WaitFor([] { return false; }, 50ms);  // the posted WM_NCLBUTTONDOWN starts the drag
  ASSERT_TRUE(Xdotool({"mousemove", "320", "140", "mousemove", "340", "160", "mousemove", "360", "180"}));
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  Rect after;
  ASSERT_TRUE(WaitFor([&] {
    m_window.GetWindowRect(&after);
    return after.left == 160 && after.top == 160;
  })) << after.left << "," << after.top;

  // A press below the title bar does not move it.
  ASSERT_TRUE(Xdotool({"mousemove", "200", "300", "mousedown", "1", "mousemove", "260", "330", "mouseup", "1"}));
  WaitFor([] { return false; }, 100ms);
  m_window.GetWindowRect(&after);
  EXPECT_EQ(after.left, 160);
}

// As on Windows, a window is off the screen before WM_DESTROY reaches it: a
// handler that waits there (the main window waits for its worker) leaves no
// frozen window behind.
TEST_F(WindowTest, AWindowIsOffTheScreenWhenItsDestroyHandlerRuns) {
  class Watched : public Window {
   public:
    void OnDestroy() override {
      visibleInHandler = IsShownOnScreen();
      Window::OnDestroy();
    }
    static bool IsShownOnScreen() {
      return RunProgram("/usr/bin/xdotool", {"search", "--onlyvisible", "--name", "^사라지는 창$"}).exitStatus == 0;
    }
    bool visibleInHandler = true;
  };
  // Destroyed while shown, and hidden just before (as a modal dialog ends).
  for (bool bHiddenFirst : {false, true}) {
    SCOPED_TRACE(bHiddenFirst ? "hidden first" : "shown");
    Watched window;
    ASSERT_TRUE(window.CreateEx(0, "VamoTestWindow", "사라지는 창", WS_POPUP, {500, 400, 700, 500}, nullptr, 0));
    window.ShowWindow(SW_SHOW);
    ASSERT_TRUE(WaitFor([] { return Watched::IsShownOnScreen(); })) << "the window never came on screen";
    if (bHiddenFirst) window.ShowWindow(SW_HIDE);
    window.DestroyWindow();
    EXPECT_FALSE(window.visibleInHandler);
  }
}

// ---------------------------------------------------------------- dialogs from templates

class EndingDialog : public Dialog {
 public:
  using Dialog::Dialog;
  BOOL OnInitDialog() override {
    Dialog::OnInitDialog();
    initialised = true;
    return TRUE;
  }
  bool initialised = false;
};

TEST_F(WindowTest, DialogTemplateGivesControlsAtTheirDialogUnitPositions) {
  auto t = DialogTemplate::Load(132);
  ASSERT_TRUE(t.has_value());
  EXPECT_TRUE(t->extended);
  EXPECT_EQ(t->faceName, "굴림");
  EXPECT_EQ(t->pointSize, 9);
  ASSERT_EQ(t->items.size(), 4u);
  EXPECT_EQ(t->items[0].id, 1003u);
  EXPECT_EQ(t->items[0].className, "Button");
  EXPECT_EQ(t->items[0].rect, (Rect{203, 131, 269, 151}));

  EndingDialog dialog(132);
  ASSERT_TRUE(dialog.Create(132));
  EXPECT_TRUE(dialog.initialised);
  for (int id : {1003, IDOK, IDCANCEL, 1002}) EXPECT_NE(dialog.GetDlgItem(id), nullptr) << id;
  Rect expected = t->items[1].rect;
  dialog.MapDialogRect(&expected);
  Rect actual;
  dialog.GetDlgItem(IDOK)->GetWindowRect(&actual);
  Rect frame;
  dialog.GetWindowRect(&frame);
  EXPECT_EQ(OffsetRect(actual, -frame.left, -frame.top), expected);
  dialog.DestroyWindow();
}

TEST_F(WindowTest, EscapeAndEnterEndAModalDialog) {
  struct Case {
    const char* key;
    intptr_t result;
  };
  for (const Case& c : {Case{"Escape", IDCANCEL}, Case{"Return", IDOK}}) {
    EndingDialog dialog(131, &m_window);
    std::atomic<bool> sent{false};
    // The key goes to the window under the pointer (no window manager).
    m_window.onTimer = [&](UINT_PTR id) {
      m_window.KillTimer(id);
      if (id == 2) {
        dialog.EndDialog(-2);  // the key never arrived: fail, do not hang
        return;
      }
      RunPumping({"xdotool", "mousemove", "300", "300", "key", c.key});
      sent = true;
    };
    m_window.SetTimer(1, 300);
    m_window.SetTimer(2, 20000);
    EXPECT_EQ(dialog.DoModal(), c.result) << c.key;
    m_window.KillTimer(2);
    EXPECT_TRUE(sent);
  }
}

}  // namespace
