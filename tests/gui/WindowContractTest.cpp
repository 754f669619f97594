// What the window classes owe the wizard on both systems: the order of
// creation and destruction, dialogs from the program's templates with their
// keyboard interface, owner-drawn buttons (clicks and WM_DRAWITEM reaching
// DrawItem), timers, messages posted from a worker, and painting a window
// tree into a DC. Linux runs it over the layer's window manager, Windows
// over USER.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Button.h"
#include "platform/gui/DC.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/DialogTemplate.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "tests/gui/GuiDisplay.h"

using namespace platform::gui;
using namespace std::chrono_literals;

namespace {

constexpr UINT kTestMessage = WM_USER + 100;
constexpr UINT kErrorDialog = 132;  // IDD_DIALOG_ERROR: four owner-drawn buttons
constexpr UINT kWelcomeDialog = 131;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
  return PumpMessagesUntil(done, timeout);
}
// For what must not happen: the loop runs for a while and nothing may come.
void KeepPumping(std::chrono::milliseconds time) {
  PumpMessagesUntil([] { return false; }, time);
}

// A window that records what reaches it and paints itself in one colour.
class RecordingWindow : public Window {
 public:
  RecordingWindow() = default;
  RecordingWindow(std::string name, std::vector<std::string>* pLog) : m_name(std::move(name)), m_pLog(pLog) {}

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const char* event = message == WM_CREATE ? "create" : message == WM_DESTROY ? "destroy"
                        : message == WM_NCDESTROY                    ? "ncdestroy"
                                                                     : nullptr;
    if (event && m_pLog) m_pLog->push_back(m_name + " " + event);
    if (message == WM_CREATE && failCreate) return -1;
    if (message == kTestMessage) {
      posted.push_back(static_cast<int>(wParam));
      return 0;
    }
    return Window::WindowProc(message, wParam, lParam);
  }
  void OnPaint() override {
    PaintDC dc(this);
    Rect rc;
    GetClientRect(&rc);
    dc.FillSolidRect(rc, colour);
  }
  void OnTimer(UINT_PTR nIDEvent) override {
    timers.push_back(nIDEvent);
    if (onTimer) onTimer(nIDEvent);
  }
  BOOL OnCommand(WPARAM wParam, LPARAM) override {
    commands.push_back(wParam);
    return TRUE;
  }

  bool failCreate = false;
  COLORREF colour = RGB(0, 0, 200);
  std::vector<int> posted;
  std::vector<UINT_PTR> timers;
  std::vector<WPARAM> commands;
  std::function<void(UINT_PTR)> onTimer;

 private:
  std::string m_name;
  std::vector<std::string>* m_pLog = nullptr;
};

// A skinned button in miniature: it draws itself in one colour.
class ColourButton : public Button {
 public:
  void DrawItem(platform::gui::DRAWITEMSTRUCT* lpDrawItemStruct) override {
    lpDrawItemStruct->pDC->FillSolidRect(lpDrawItemStruct->rcItem, colour);
    ++draws;
    lastState = lpDrawItemStruct->itemState;
    lastId = lpDrawItemStruct->CtlID;
  }
  COLORREF colour = RGB(220, 0, 0);
  int draws = 0;
  UINT lastState = 0;
  UINT lastId = 0;
};

class WindowContract : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(EnsureDisplay(&why)) << why;
    ASSERT_TRUE(Initialize());
  }
};

size_t IndexOf(const std::vector<std::string>& log, const std::string& entry) {
  return static_cast<size_t>(std::find(log.begin(), log.end(), entry) - log.begin());
}

TEST_F(WindowContract, CreationAndDestructionReachEveryWindowInOrder) {
  std::vector<std::string> log;
  RecordingWindow parent("parent", &log), first("first", &log), second("second", &log);
  ASSERT_TRUE(parent.CreateEx(0, "VamoTestWindow", "창 테스트", WS_POPUP, {40, 40, 240, 190}, nullptr, 0));
  ASSERT_TRUE(first.CreateEx(0, "VamoTestChild", "", WS_CHILD | WS_VISIBLE, {0, 0, 50, 50}, &parent, 11));
  ASSERT_TRUE(second.CreateEx(0, "VamoTestChild", "", WS_CHILD | WS_VISIBLE, {60, 0, 110, 50}, &parent, 12));
  EXPECT_EQ(log, (std::vector<std::string>{"parent create", "first create", "second create"}));
  EXPECT_FALSE(parent.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 10, 10}, nullptr, 0)) << "has a window";
  EXPECT_EQ(parent.GetDlgItem(12), &second);
  EXPECT_EQ(second.GetParent(), &parent);
  EXPECT_EQ(second.GetDlgCtrlID(), 12);
  EXPECT_EQ(Window::FromHandle(first.m_hWnd), &first);
  EXPECT_EQ(parent.GetWindowText(), "창 테스트");

  const HWND hParent = parent.m_hWnd, hFirst = first.m_hWnd;
  log.clear();
  ASSERT_TRUE(parent.DestroyWindow());
  // The parent hears of its end first and last; each child in between.
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log.front(), "parent destroy");
  EXPECT_EQ(log.back(), "parent ncdestroy");
  for (const std::string child : {"first", "second"}) EXPECT_LT(IndexOf(log, child + " destroy"), IndexOf(log, child + " ncdestroy"));
  for (Window* object : {static_cast<Window*>(&parent), static_cast<Window*>(&first), static_cast<Window*>(&second)})
    EXPECT_EQ(object->m_hWnd, nullptr);
  EXPECT_FALSE(IsWindow(hParent));
  EXPECT_FALSE(IsWindow(hFirst));
  EXPECT_EQ(Window::FromHandle(hFirst), nullptr);
  EXPECT_FALSE(parent.DestroyWindow());

  // WM_CREATE answering -1: no window, and the object can try again.
  RecordingWindow refused;
  refused.failCreate = true;
  EXPECT_FALSE(refused.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 50, 50}, nullptr, 0));
  EXPECT_EQ(refused.m_hWnd, nullptr);
  refused.failCreate = false;
  ASSERT_TRUE(refused.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 50, 50}, nullptr, 0));

  // An object that goes takes its window with it.
  HWND hScoped = nullptr;
  {
    RecordingWindow scoped;
    ASSERT_TRUE(scoped.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 50, 50}, &refused, 0));
    hScoped = scoped.m_hWnd;
  }
  EXPECT_FALSE(IsWindow(hScoped));
}

TEST_F(WindowContract, MessagesPostedFromAnotherThreadArriveInOrder) {
  RecordingWindow window;
  ASSERT_TRUE(window.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 100, 100}, nullptr, 0));
  constexpr int kCount = 2000;
  std::thread worker([&] {
    for (int i = 0; i < kCount; ++i) {
      window.PostMessage(kTestMessage, static_cast<WPARAM>(i), 0);
      if (i % 100 == 0) window.InvalidateRect(Rect{0, 0, 10, 10});
    }
    // The engine's interface: parameterless posts through MessageTarget.
    static_cast<MessageTarget&>(window).PostMessage(kTestMessage);
  });
  worker.join();
  ASSERT_TRUE(WaitFor([&] { return window.posted.size() == kCount + 1; })) << window.posted.size();
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(window.posted[static_cast<size_t>(i)], i);
  EXPECT_EQ(window.posted.back(), 0);

  // A window that is gone accepts no more posts.
  const HWND gone = window.m_hWnd;
  window.DestroyWindow();
  EXPECT_FALSE(PostMessage(gone, kTestMessage, 0, 0));
}

TEST_F(WindowContract, TimersFireAndKilledTimersNeverFire) {
  RecordingWindow window;
  ASSERT_TRUE(window.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {0, 0, 100, 100}, nullptr, 0));
  // Each kills itself when it fires; 7 is killed before, 9 is restarted
  // with a period the test never reaches.
  window.onTimer = [&](UINT_PTR id) { window.KillTimer(id); };
  EXPECT_EQ(window.SetTimer(3, 90), 3u);
  window.SetTimer(1, 30);
  window.SetTimer(7, 40);
  EXPECT_TRUE(window.KillTimer(7));
  EXPECT_FALSE(window.KillTimer(7));
  window.SetTimer(9, 20);
  window.SetTimer(9, 100000);
  ASSERT_TRUE(WaitFor([&] { return window.timers.size() >= 2; }));
  KeepPumping(200ms);
  EXPECT_EQ(window.timers, (std::vector<UINT_PTR>{1, 3}));

  // Two timers due together: whichever fires first kills the other, whose
  // expiry is then already due.
  window.timers.clear();
  window.onTimer = [&](UINT_PTR) {
    window.KillTimer(11);
    window.KillTimer(12);
  };
  window.SetTimer(11, 25);
  window.SetTimer(12, 25);
  ASSERT_TRUE(WaitFor([&] { return !window.timers.empty(); }));
  KeepPumping(200ms);
  EXPECT_EQ(window.timers.size(), 1u);

  // A window that is gone has no timers.
  window.DestroyWindow();
  EXPECT_EQ(window.SetTimer(1, 10), 0u);
}

TEST_F(WindowContract, OwnerDrawnButtonClicksOnlyWhenReleasedOverItAndDrawsThroughDrawItem) {
  RecordingWindow parent;
  ColourButton button;
  ASSERT_TRUE(parent.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {100, 100, 300, 250}, nullptr, 0));
  ASSERT_TRUE(button.Create("확인", WS_VISIBLE | BS_OWNERDRAW, {20, 30, 80, 60}, &parent, 1000));
  parent.ShowWindow(SW_SHOW);
  // The screen's paint: WM_DRAWITEM to the parent, reflected to DrawItem.
  ASSERT_TRUE(WaitFor([&] { return button.draws > 0; })) << "DrawItem was never called";
  EXPECT_EQ(button.lastId, 1000u);
  EXPECT_EQ(button.lastState & ODS_SELECTED, 0u);

  // Press and release over the button: one BN_CLICKED, pushed meanwhile.
  button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, LParamFromPoint({5, 5}));
  EXPECT_EQ(button.GetState(), static_cast<UINT>(BST_PUSHED));
  EXPECT_EQ(GetCapture(), button.m_hWnd);
  ASSERT_TRUE(WaitFor([&] { return (button.lastState & ODS_SELECTED) != 0; })) << "not drawn pushed";
  button.SendMessage(WM_LBUTTONUP, 0, LParamFromPoint({5, 5}));
  EXPECT_EQ(parent.commands, (std::vector<WPARAM>{MAKEWPARAM(1000, BN_CLICKED)}));
  EXPECT_EQ(button.GetState(), 0u);
  EXPECT_EQ(GetCapture(), nullptr);

  // Press, move out, release outside: no click, not pushed, no capture.
  button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, LParamFromPoint({5, 5}));
  button.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, LParamFromPoint({300, 200}));
  EXPECT_EQ(button.GetState(), 0u);
  button.SendMessage(WM_LBUTTONUP, 0, LParamFromPoint({300, 200}));
  EXPECT_EQ(parent.commands.size(), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
  button.DestroyWindow();
  parent.DestroyWindow();
}

TEST_F(WindowContract, PrintWindowPaintsTheTreeAsTheScreenWould) {
  RecordingWindow parent;
  ColourButton button;
  RecordingWindow hidden;
  hidden.colour = RGB(0, 160, 0);
  ASSERT_TRUE(parent.CreateEx(0, "VamoTestWindow", "", WS_POPUP, {10, 10, 210, 160}, nullptr, 0));
  ASSERT_TRUE(button.Create("", WS_VISIBLE | BS_OWNERDRAW, {20, 30, 80, 60}, &parent, 1001));
  ASSERT_TRUE(hidden.CreateEx(0, "VamoTestChild", "", WS_CHILD, {100, 30, 150, 60}, &parent, 1002));

  Bitmap picture;
  ASSERT_TRUE(picture.CreateBitmap(200, 150));
  DC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  dc.SelectObject(&picture);
  dc.FillSolidRect({0, 0, 200, 150}, RGB(255, 255, 0));
  // The parent is not even shown: it prints as it would look.
  ASSERT_TRUE(PrintWindow(parent.m_hWnd, &dc));
  dc.SelectObject(static_cast<Bitmap*>(nullptr));
  struct Probe {
    int x, y;
    COLORREF colour;
  };
  for (const Probe& p : {Probe{0, 0, RGB(0, 0, 200)}, Probe{199, 149, RGB(0, 0, 200)}, Probe{20, 30, RGB(220, 0, 0)},
                         Probe{79, 59, RGB(220, 0, 0)}, Probe{19, 30, RGB(0, 0, 200)}, Probe{80, 45, RGB(0, 0, 200)},
                         Probe{50, 60, RGB(0, 0, 200)}, Probe{120, 45, RGB(0, 0, 200)}})
    EXPECT_EQ(picture.GetPixel(p.x, p.y), p.colour) << p.x << "," << p.y;
  EXPECT_GT(button.draws, 0);
  EXPECT_FALSE(PrintWindow(nullptr, &dc));
}

// ---------------------------------------------------------------- dialogs from templates

class TemplateDialog : public Dialog {
 public:
  using Dialog::Dialog;
  BOOL OnInitDialog() override {
    Dialog::OnInitDialog();
    initialised = true;
    if (onInit) onInit();
    return TRUE;
  }
  void DoDataExchange(DataExchange* pDX) override {
    if (bindGuide) DDX_Control(pDX, 1003, guide);
  }
  void OnOK() override {
    if (onEnd) onEnd();
    Dialog::OnOK();
  }
  void OnCancel() override {
    if (onEnd) onEnd();
    Dialog::OnCancel();
  }
  bool initialised = false;
  bool bindGuide = false;
  ColourButton guide;
  std::function<void()> onInit;
  std::function<void()> onEnd;
};

TEST_F(WindowContract, DialogTemplateGivesButtonControlsAtTheirMappedPositions) {
  auto t = DialogTemplate::Load(kErrorDialog);
  ASSERT_TRUE(t.has_value());
  TemplateDialog dialog(kErrorDialog);
  dialog.bindGuide = true;
  ASSERT_TRUE(dialog.Create(kErrorDialog));
  EXPECT_TRUE(dialog.initialised);
  EXPECT_FALSE(dialog.IsWindowVisible()) << "the template is not WS_VISIBLE";
  Rect frame;
  dialog.GetWindowRect(&frame);
  Rect size = t->rect;
  dialog.MapDialogRect(&size);
  EXPECT_EQ(Width(frame), Width(size));
  EXPECT_EQ(Height(frame), Height(size));
  for (const DialogItemTemplate& item : t->items) {
    Window* control = dialog.GetDlgItem(static_cast<int>(item.id));
    ASSERT_NE(control, nullptr) << item.id;
    EXPECT_NE(dynamic_cast<Button*>(control), nullptr) << item.id << " is no Button";
    Rect expected = item.rect;
    dialog.MapDialogRect(&expected);
    Rect actual;
    control->GetWindowRect(&actual);
    EXPECT_EQ(OffsetRect(actual, -frame.left, -frame.top), expected) << item.id;
  }

  // DDX_Control subclassed the template's control: the member object gets
  // its messages and draws it; giving it back restores the layer's object.
  Window* guide = dialog.GetDlgItem(1003);
  EXPECT_EQ(guide, &dialog.guide);
  Bitmap picture;
  ASSERT_TRUE(picture.CreateBitmap(Width(frame), Height(frame)));
  DC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  dc.SelectObject(&picture);
  ASSERT_TRUE(PrintWindow(dialog.m_hWnd, &dc));
  EXPECT_EQ(dialog.guide.lastId, 1003u);
  Rect guideRect = t->items[0].rect;
  dialog.MapDialogRect(&guideRect);
  EXPECT_EQ(picture.GetPixel(guideRect.left + 2, guideRect.top + 2), RGB(220, 0, 0));
  const HWND hGuide = dialog.guide.m_hWnd;
  EXPECT_EQ(dialog.guide.UnsubclassWindow(), hGuide);
  Window* layerObject = dialog.GetDlgItem(1003);
  EXPECT_NE(layerObject, nullptr);
  EXPECT_NE(layerObject, &dialog.guide);
  EXPECT_EQ(dialog.guide.m_hWnd, nullptr);

  EXPECT_EQ(dialog.GetDefID(), IDOK);
  dialog.SetDefID(1002);
  EXPECT_EQ(dialog.GetDefID(), 1002);
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(WindowContract, EscapeEnterAndCloseEndAModalDialogThroughItsCommands) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM key;
    bool disableOk;
    intptr_t result;
  };
  RecordingWindow owner;
  ASSERT_TRUE(owner.CreateEx(0, "VamoTestWindow", "", WS_POPUP | WS_VISIBLE, {0, 0, 200, 200}, nullptr, 0));
  for (const Case& c : {Case{"Escape", WM_KEYDOWN, VK_ESCAPE, false, IDCANCEL}, Case{"Enter", WM_KEYDOWN, VK_RETURN, false, IDOK},
                        Case{"WM_CLOSE", WM_CLOSE, 0, false, IDCANCEL},
                        // Enter does nothing while the default button is disabled;
                        // the Escape that follows ends it.
                        Case{"Enter on a disabled OK", WM_KEYDOWN, VK_RETURN, true, IDCANCEL}}) {
    SCOPED_TRACE(c.name);
    TemplateDialog dialog(kWelcomeDialog, &owner);
    bool ownerDisabled = false;
    dialog.onInit = [&] {
      if (c.disableOk) dialog.GetDlgItem(IDOK)->EnableWindow(FALSE);
      // Queued as a key from the keyboard would be, once the loop runs.
      PostMessage(dialog.m_hWnd, c.message, c.key, 0);
      if (c.disableOk) PostMessage(dialog.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    };
    // The owner takes no input while the dialog runs.
    dialog.onEnd = [&] { ownerDisabled = !owner.IsWindowEnabled(); };
    owner.onTimer = [&](UINT_PTR id) {
      owner.KillTimer(id);
      dialog.EndDialog(-2);  // the key never arrived: fail, do not hang
    };
    owner.SetTimer(1, 20000);
    EXPECT_EQ(dialog.DoModal(), c.result);
    owner.KillTimer(1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
  }

  // A template that does not exist.
  TemplateDialog missing(999, &owner);
  EXPECT_EQ(missing.DoModal(), -1);
}

}  // namespace
