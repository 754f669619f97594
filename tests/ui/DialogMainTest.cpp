// The main wizard window under a private X server, with a scripted run in
// place of the real one: start-up order and places, the worker starting by
// itself, the completed and failed states, the timers' restart rules,
// closing during the install, dragging by the title band, and the error
// page reached through the window.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <thread>

#include "engine/ErrorCodes.h"
#include "resources/resource.h"
#include "tests/support/ScriptedRun.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;

namespace {

class DialogMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
    m_dialog.SetRun(&m_run);
  }
  void Open() {
    ASSERT_TRUE(m_dialog.Create(IDD_VAMOSETUP_DIALOG));
    ASSERT_TRUE(m_dialog.IsWindowVisible());
  }
  bool WaitForWorkerCollected() {
    return WaitFor([&] { return m_run.m_pWorkerThread == nullptr && m_run.m_bStarted; }, 10s);
  }

  TempPrefix m_prefix;
  // The run outlives the window: made first, gone last.
  CScriptedRun m_run{&m_dialog};
  CDialogMain m_dialog;
};

TEST_F(DialogMainTest, OpensWithItsButtonsInPlaceAndStartsTheWorkerByItselfLater) {
  m_run.m_bHoldStart = true;
  Open();
  // Nothing runs yet when the window has opened.
  EXPECT_EQ(m_run.m_pWorkerThread, nullptr);
  EXPECT_FALSE(m_run.m_bStarted);
  EXPECT_EQ(m_dialog.GetWindowText(), kWizardTitle);
  Rect rc;
  m_dialog.GetClientRect(&rc);
  EXPECT_EQ(rc.right - rc.left, 550);
  EXPECT_EQ(rc.bottom - rc.top, 450);
  // The buttons take their pictures' sizes when they are first drawn.
  EXPECT_TRUE(WaitFor([&] {
    return ControlRect(m_dialog, IDOK) == Rect{245, 408, 306, 438} &&
           ControlRect(m_dialog, IDCANCEL) == Rect{517, 14, 534, 32};
  }));
  EXPECT_TRUE(IsShown(m_dialog, IDOK));
  EXPECT_TRUE(IsShown(m_dialog, IDCANCEL));
  EXPECT_FALSE(IsShown(m_dialog, IDC_DONE));
  EXPECT_FALSE(IsShown(m_dialog, IDC_ERROR_DETAIL));
  // The run's first texts show; the percent line's rectangles are the
  // run's to invalidate.
  {
    CSetupState snapshot = m_run.TakeSnapshot();
    EXPECT_EQ(snapshot.m_strStatus, CSetupRun::kInitialStatusText);
    EXPECT_EQ(snapshot.m_strCountLabel, "초기화 하는중...");
    EXPECT_EQ(snapshot.m_strCountText, "");
    EXPECT_EQ(m_run.PercentLine()[0], (Rect{154, 344, 403, 356}));
    EXPECT_EQ(m_run.PercentLine()[1], (Rect{154, 328, 403, 344}));
  }
  EXPECT_TRUE(m_dialog.m_bBlink);

  // Without any input the worker starts, on a thread of its own.
  ASSERT_TRUE(WaitFor([&] { return m_run.m_bStarted.load(); }, 5s)) << "the worker never started";
  EXPECT_NE(m_run.m_workerId.load(), std::this_thread::get_id());
  EXPECT_TRUE(WaitFor([&] { return ScreenShowsPainting(m_dialog); }, 3s));
  m_run.m_bHoldStart = false;
}

TEST_F(DialogMainTest, CompletedRunShowsTheDoneButtonWhereRunCancelStoodAndStopsBlinking) {
  // Looked at inside the window's modal loop once it shows the done
  // button; then the done button is clicked.
  enum { kWaiting, kSettling, kClicked } stage = kWaiting;
  std::chrono::steady_clock::time_point since;
  int bBlink = 0, nOffset = 0;
  ModalHook hook([&] {
    if (!m_dialog.m_hWnd) return;
    if (stage == kWaiting && IsShown(m_dialog, IDC_DONE)) {
      EXPECT_EQ(m_run.m_pWorkerThread, nullptr) << "the worker was not collected";
      EXPECT_EQ(PhaseNumber(m_run.GetPhase()), 4);
      EXPECT_FALSE(IsShown(m_dialog, IDOK));
      EXPECT_TRUE(IsShown(m_dialog, IDCANCEL));
      EXPECT_FALSE(IsShown(m_dialog, IDC_ERROR_DETAIL));
      EXPECT_FALSE(m_run.TakeSnapshot().m_bErrorMode);
      EXPECT_TRUE(HasBitmapAt(Painted(m_dialog), IDB_CONTACT_BANNER, 110, 298));
      stage = kSettling;
      since = std::chrono::steady_clock::now();
    } else if (stage == kSettling && std::chrono::steady_clock::now() - since > 700ms && !bBlink) {
      // The blink timer stops after one more toggle in phase 4; the
      // marquee's stopped before.
      bBlink = 2 + m_dialog.m_bBlink;
      nOffset = m_dialog.m_nMarqueeOffset;
    } else if (stage == kSettling && std::chrono::steady_clock::now() - since > 1900ms) {
      EXPECT_EQ(m_dialog.m_bBlink, bBlink - 2);
      EXPECT_EQ(m_dialog.m_nMarqueeOffset, nOffset);
      EXPECT_EQ(ControlRect(m_dialog, IDC_DONE), (Rect{245, 408, 306, 438}));
      stage = kClicked;
      ClickAt(m_dialog, 270, 420);
    }
  });
  EXPECT_EQ(m_dialog.DoModal(), IDOK);
  EXPECT_EQ(stage, kClicked);
}

struct FailureCase {
  const char* name;
  int nNetwork;
  int nInstall;
  const char* pszDetail;  // given by the install procedure with -9302
  const char* pszShown;   // the text the window appends and shows
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

class DialogMainFailureTest : public DialogMainTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DialogMainFailureTest, FailedRunShowsErrorDetailsAndAppendsTheMessageOnceAsText) {
  const FailureCase& c = GetParam();
  m_run.m_nNetworkResult = c.nNetwork;
  m_run.m_nInstallResult = c.nInstall;
  if (c.pszDetail) m_run.m_strFolderDetail = c.pszDetail;
  m_run.m_setupReport.AppendLine("------- INSTALL BEGIN -------\r\n");
  Open();
  ASSERT_TRUE(WaitFor([&] { return IsShown(m_dialog, IDC_ERROR_DETAIL); }, 10s)) << "no failed state";
  EXPECT_EQ(m_run.m_pWorkerThread, nullptr);
  EXPECT_TRUE(m_run.TakeSnapshot().m_bErrorMode);
  EXPECT_FALSE(IsShown(m_dialog, IDOK));
  EXPECT_TRUE(IsShown(m_dialog, IDCANCEL));
  EXPECT_TRUE(IsShown(m_dialog, IDC_DONE));
  EXPECT_EQ(ControlRect(m_dialog, IDC_ERROR_DETAIL).left, 38);
  EXPECT_EQ(ControlRect(m_dialog, IDC_ERROR_DETAIL).top, 214);
  EXPECT_EQ(m_run.ErrorMessageText(), c.pszShown);
  EXPECT_EQ(m_run.m_setupReport.TextUtf8(), std::string("------- INSTALL BEGIN -------\r\n") + c.pszShown);

  // The failed step keeps blinking; the marquee stands still once a tick
  // that was already due has passed.
  PumpMessagesUntil([] { return false; }, 200ms);
  const int nOffset = m_dialog.m_nMarqueeOffset;
  const bool bBlink = m_dialog.m_bBlink;
  EXPECT_TRUE(WaitFor([&] { return m_dialog.m_bBlink != bBlink; }, 3s)) << "the failed step stopped blinking";
  EXPECT_EQ(m_dialog.m_nMarqueeOffset, nOffset);
  EXPECT_TRUE(WaitFor([&] { return ScreenShowsPainting(m_dialog); }, 3s));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DialogMainFailureTest,
    ::testing::Values(
        FailureCase{"Network", kErrNetDns, 0, nullptr,
                    "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]"},
        FailureCase{"FolderWithPercent", 0, kErrFolderAccess, "C:\\Users\\100% 사용자\\AppData",
                    "1. 디렉토리 또는 파일에 접근할 수 없습니다. [-9302] (C:\\Users\\100% 사용자\\AppData)"},
        FailureCase{"Items", 0, kErrInstallItems, nullptr,
                    "1. 하나 이상의 파일에서 오류가 발생 하였습니다.\n\n컴퓨터를 재부팅후 다시 시도해 주십시오. "
                    "문제가 지속되면 고객센터로 문의 해주시기 바랍니다. [-9204]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogMainTest, ClosingDuringTheInstallEndsOnlyAfterTheWorkerStopped) {
  m_run.m_bHoldInstall = true;
  // Once the install runs, the × button is clicked (a real click, inside
  // the window's modal loop).
  bool bClicked = false;
  ModalHook hook([&] {
    if (bClicked || !m_run.m_bInstallRunning || !m_dialog.m_hWnd) return;
    bClicked = true;
    ClickAt(m_dialog, 525, 22);
  });
  const intptr_t result = m_dialog.DoModal();
  EXPECT_TRUE(bClicked);
  EXPECT_EQ(result, IDCANCEL);
  // DoModal came back only after the install had seen the stop flag and
  // finished; no worker is left.
  EXPECT_TRUE(m_run.m_bInstallEnded);
  EXPECT_EQ(m_run.m_pWorkerThread, nullptr);
  EXPECT_EQ(m_dialog.m_hWnd, nullptr);
}

// Threads of this process cannot start while it lives (or until Restore):
// the default stack asked for is larger than any address space.
class ThreadsCannotStart {
 public:
  ThreadsCannotStart() {
    pthread_getattr_default_np(&m_saved);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    m_bActive = pthread_attr_setstacksize(&huge, size_t{1} << 50) == 0 && pthread_setattr_default_np(&huge) == 0;
    pthread_attr_destroy(&huge);
  }
  ~ThreadsCannotStart() {
    Restore();
    pthread_attr_destroy(&m_saved);
  }
  bool Active() const { return m_bActive; }
  void Restore() {
    if (m_bActive) pthread_setattr_default_np(&m_saved);
    m_bActive = false;
  }

 private:
  pthread_attr_t m_saved;
  bool m_bActive = false;
};

TEST_F(DialogMainTest, AWorkerThatCannotStartGivesOneStartFailedBoxAndTheWindowWaitsToBeClosed) {
  {
    // The toolkit starts threads of its own the first time it draws text;
    // a window without a run shows once before threads are taken away.
    CDialogMain warmUp;
    ASSERT_TRUE(warmUp.Create(IDD_VAMOSETUP_DIALOG));
    EXPECT_TRUE(WaitFor([&] { return ScreenShowsPainting(warmUp); }, 3s));
  }
  ThreadsCannotStart noThreads;
  ASSERT_TRUE(noThreads.Active());
  // Threads come back as soon as the run has seen its worker fail, before
  // the window says so: the toolkit may want one while the box is up.
  m_run.m_onStartFailed = [&] { noThreads.Restore(); };
  // Every box shown is answered with Enter; each is a window of its own
  // (the box has no caption), so boxes that follow one another count apart.
  TempDir scratch;
  const std::string found = scratch.Path() + "/boxes";
  std::set<std::string> boxes;
  bool bClosed = false;
  std::chrono::steady_clock::time_point lastBox;
  ModalHook hook([&] {
    if (!m_dialog.m_hWnd || bClosed) return;
    // The window is disabled while a message box it owns is up.
    if (!m_dialog.IsWindowEnabled()) {
      // This process's visible top-level windows without a name.
      const std::string search =
          "xdotool search --all --maxdepth 1 --onlyvisible --pid " + std::to_string(getpid()) + " --name '^$'";
      RunPumping({"sh", "-c", search + " > '" + found + "'"});
      std::istringstream ids(ReadHostFile(found));
      std::string id;
      while (ids >> id) {
        if (!boxes.insert(id).second) continue;
        lastBox = std::chrono::steady_clock::now();
        Xdotool({"windowfocus", "--sync", id, "sleep", "0.3", "key", "Return"});
      }
    } else if (!boxes.empty() && std::chrono::steady_clock::now() - lastBox > 1500ms) {
      // No second box came; the window still shows a run that never began.
      EXPECT_TRUE(IsShown(m_dialog, IDOK));
      EXPECT_FALSE(IsShown(m_dialog, IDC_DONE));
      EXPECT_FALSE(IsShown(m_dialog, IDC_ERROR_DETAIL));
      EXPECT_EQ(PhaseNumber(m_run.GetPhase()), 0);
      bClosed = true;
      ClickAt(m_dialog, 525, 22);
    }
  });
  EXPECT_EQ(m_dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(bClosed);
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(m_run.m_nStartFailures, 1);
  EXPECT_FALSE(m_run.m_bStarted);
  EXPECT_EQ(m_run.m_pWorkerThread, nullptr);
}

TEST_F(DialogMainTest, DragsByTheTopFiftyPixelsOnly) {
  m_run.m_bHoldStart = true;
  Open();
  auto drag = [&](int x, int y) {
    const Point from = ToScreen(m_dialog, x, y);
    Xdotool({"mousemove", std::to_string(from.x), std::to_string(from.y), "mousedown", "1"});
    Xdotool({"mousemove", std::to_string(from.x + 40), std::to_string(from.y + 30)});
    Xdotool({"mousemove", std::to_string(from.x + 60), std::to_string(from.y + 45), "mouseup", "1"});
    PumpMessagesUntil([] { return false; }, 200ms);
  };
  Rect before, after;
  m_dialog.GetWindowRect(&before);
  drag(200, 60);  // the step panel, below the band
  m_dialog.GetWindowRect(&after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  drag(200, 25);
  EXPECT_TRUE(WaitFor([&] {
    m_dialog.GetWindowRect(&after);
    return after.left == before.left + 60 && after.top == before.top + 45;
  })) << "moved to " << after.left << "," << after.top << " from " << before.left << "," << before.top;
  m_run.m_bHoldStart = false;
}

}  // namespace
