#include "engine/SetupDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/ErrorCodes.h"
#include "engine/SetupMessages.h"
#include "platform/gui/MessageQueue.h"

namespace {

// The phase operations of a run, each replaceable by the test.
class TestDriver : public CSetupDriver {
 public:
  explicit TestDriver(platform::gui::MessageTarget* pWindow) : CSetupDriver(pWindow) { m_nPhasePauseMs = 0; }
  ~TestDriver() override { StopWorker(); }

  int AnalyzeUser() override { return Run(analyzeUser, 0); }
  int AnalyzeNetwork() override { return Run(analyzeNetwork, 1); }
  int AnalyzeBrowsers() override { return Run(analyzeBrowsers, 2); }
  int ProcInstall() override { return Run(procInstall, 3); }

  std::function<int()> analyzeUser, analyzeNetwork, analyzeBrowsers, procInstall;
  std::vector<int> calledPhases;
  std::atomic<int> runningSteps{0};

 private:
  int Run(const std::function<int()>& step, int phase) {
    ++runningSteps;
    calledPhases.push_back(phase);
    int result = step ? step() : 0;
    --runningSteps;
    return result;
  }
};

// The window side: takes the posted messages in order on its own thread and,
// like the main window's completion and error handlers, stops the worker when
// the run ends.
class RecordingWindow {
 public:
  void Attach(CSetupDriver* pDriver) { m_pDriver = pDriver; }

  // Dispatches until the run ended or the worker is gone and the queue stays
  // empty.
  std::vector<uint32_t> DispatchUntilEnd() {
    std::vector<uint32_t> messages;
    for (;;) {
      auto message = queue.WaitMessage(std::chrono::milliseconds(2000));
      if (!message) break;
      messages.push_back(*message);
      if (*message == WM_SETUP_COMPLETE || *message == WM_SETUP_ERROR) {
        m_pDriver->StopWorker();
        for (uint32_t late : queue.TakeMessages()) messages.push_back(late);
        break;
      }
    }
    return messages;
  }

  platform::gui::MessageQueue queue;

 private:
  CSetupDriver* m_pDriver = nullptr;
};

struct DriverFixture : ::testing::Test {
  DriverFixture() : driver(&window.queue) { window.Attach(&driver); }
  RecordingWindow window;
  TestDriver driver;
};

TEST_F(DriverFixture, SuccessfulRunPostsPhasesInOrderThenCompletes) {
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  std::vector<uint32_t> expected = {WM_SETUP_STATUS, WM_SETUP_PHASE, WM_SETUP_STATUS, WM_SETUP_PHASE,
                                    WM_SETUP_STATUS, WM_SETUP_PHASE, WM_SETUP_STATUS, WM_SETUP_PHASE,
                                    WM_SETUP_COMPLETE};
  EXPECT_EQ(messages, expected);
  EXPECT_EQ(driver.calledPhases, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(PhaseNumber(driver.GetPhase()), 4);
  EXPECT_EQ(driver.TakeSnapshot().m_strStatus, CSetupDriver::kPhaseStatusText[3]);
  EXPECT_EQ(driver.m_pWorkerThread, nullptr);
}

TEST_F(DriverFixture, SystemAnalysisCannotFailTheRun) {
  driver.analyzeUser = [] { return -1; };
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  EXPECT_EQ(messages.back(), WM_SETUP_COMPLETE);
}

TEST_F(DriverFixture, NetworkFailureEndsWithOneErrorAndNoInstall) {
  driver.analyzeNetwork = [] { return kErrNetDns; };
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  EXPECT_EQ(messages, (std::vector<uint32_t>{WM_SETUP_STATUS, WM_SETUP_PHASE, WM_SETUP_ERROR}));
  EXPECT_EQ(driver.calledPhases, (std::vector<int>{0, 1}));
  EXPECT_EQ(driver.m_errorInfo.m_nCode, kErrNetDns);
  EXPECT_EQ(driver.m_errorInfo.m_strMessage,
            "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]");
  EXPECT_EQ(driver.m_errorInfo.m_bNetwork, 1);
}

TEST_F(DriverFixture, FolderFailureKeepsTheDetailTheInstallStepSet) {
  driver.procInstall = [this] {
    driver.m_errorInfo.SetError(kErrFolderAccess, "C:\\Users\\kim\\AppData\\LocalLow\\VamoPlugin");
    return kErrFolderAccess;
  };
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  EXPECT_EQ(messages.back(), WM_SETUP_ERROR);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_SETUP_ERROR), 1);
  EXPECT_EQ(driver.m_errorInfo.m_nCode, kErrFolderAccess);
  EXPECT_EQ(driver.m_errorInfo.m_strDetail, "C:\\Users\\kim\\AppData\\LocalLow\\VamoPlugin");
}

TEST_F(DriverFixture, OtherInstallFailureFillsTheRecordWithAnEmptyDetail) {
  driver.m_errorInfo.SetError(kErrFolderAccess, "stale");
  driver.procInstall = [] { return kErrUpdateListVerify; };
  driver.StartWorker();
  window.DispatchUntilEnd();
  EXPECT_EQ(driver.m_errorInfo.m_nCode, kErrUpdateListVerify);
  EXPECT_EQ(driver.m_errorInfo.m_strDetail, "");
  EXPECT_EQ(driver.m_errorInfo.m_strMessage, "1. 업데이트 리스트를 검증 하는데 실패 했습니다. [-9202]");
}

// The window stops the worker while a phase works: the driver notices at the
// top of its loop and ends without a completion or error message.
TEST_F(DriverFixture, StopFlagEndsTheThreadWithoutFurtherMessage) {
  std::mutex lock;
  std::condition_variable changed;
  bool entered = false, released = false;
  driver.analyzeNetwork = [&] {
    std::unique_lock guard(lock);
    entered = true;
    changed.notify_all();
    changed.wait(guard, [&] { return released; });
    return 0;
  };
  driver.StartWorker();
  {
    std::unique_lock guard(lock);
    changed.wait(guard, [&] { return entered; });
  }
  driver.RequestStop();
  {
    std::lock_guard guard(lock);
    released = true;
  }
  changed.notify_all();
  driver.StopWorker();
  EXPECT_EQ(driver.m_pWorkerThread, nullptr);
  EXPECT_EQ(driver.runningSteps.load(), 0);
  std::vector<uint32_t> messages = window.queue.TakeMessages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_SETUP_COMPLETE), 0);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_SETUP_ERROR), 0);
  EXPECT_EQ(driver.calledPhases, (std::vector<int>{0, 1}));
}

// A step that fails because it saw the stop flag (the item loop's -1 turned
// into -9204) still ends the run with exactly one error message.
TEST_F(DriverFixture, StepFailingBecauseOfStopPostsExactlyOneError) {
  driver.procInstall = [this] {
    for (int item = 0; item < 3; ++item) {
      driver.SetCountProgress("대기중", item + 1, 3);
      if (item == 1) driver.RequestStop();
      if (driver.IsStopRequested()) return kErrInstallItems;
    }
    return 0;
  };
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_SETUP_ERROR), 1);
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_SETUP_COMPLETE), 0);
  EXPECT_EQ(messages.back(), WM_SETUP_ERROR);
  EXPECT_EQ(driver.m_errorInfo.m_nCode, kErrInstallItems);
}

TEST_F(DriverFixture, ProgressSettersFormatTheirTexts) {
  driver.SetPercentLine({platform::gui::Rect{1, 2, 3, 4}, platform::gui::Rect{5, 6, 7, 8},
                         platform::gui::Rect{9, 10, 11, 12}});
  driver.SetCountProgress("다운로드중", 2, 7);
  driver.SetPercentProgress("현재 파일", "a.dll", 1, 3);
  CSetupState snapshot = driver.TakeSnapshot();
  EXPECT_EQ(snapshot.m_strCountText, "(2/7)");
  EXPECT_EQ(snapshot.m_strPercentText, "(33.33%)");
  EXPECT_EQ(snapshot.m_strPercentSubLabel, "a.dll");
  driver.SetPercentProgress("현재 파일", "a.dll", 0, 0);
  EXPECT_EQ(driver.TakeSnapshot().m_strPercentText, "(0.00%)");
  driver.SetPercentProgress("현재 파일", "a.dll", 5, 0);  // nothing announced: no "inf%"
  EXPECT_EQ(driver.TakeSnapshot().m_strPercentText, "(0.00%)");
  // The percent line is repainted through invalidations, never a message.
  EXPECT_EQ(window.queue.TakeMessages(), std::vector<uint32_t>{WM_SETUP_COUNT});
  EXPECT_EQ(window.queue.TakeInvalidations().size(), 9u);
}

// The window reads while the worker writes: every snapshot holds one
// update whole, never the label of one item with the count of another.
TEST_F(DriverFixture, SnapshotIsConsistentWhileTheWorkerUpdates) {
  std::atomic<bool> bDone{false};
  std::thread writer([&] {
    for (int n = 1; n <= 20000; ++n) {
      driver.SetCountProgress(std::to_string(n), n, n);
      driver.SetPercentProgress(std::to_string(n), std::to_string(n), n, n);
    }
    bDone = true;
  });
  auto check = [](const CSetupState& state) {
    const std::string strCount = std::to_string(state.m_nCountCurrent);
    EXPECT_EQ(state.m_strCountLabel, state.m_nCountCurrent == 0 ? "" : strCount);
    if (state.m_nCountCurrent != 0) {
      EXPECT_EQ(state.m_strCountText, "(" + strCount + "/" + strCount + ")");
    }
    EXPECT_EQ(state.m_nCountTotal, state.m_nCountCurrent);
    const std::string strPercent = state.m_nPercentDone == 0 ? "" : std::to_string(state.m_nPercentDone);
    EXPECT_EQ(state.m_strPercentLabel, strPercent);
    EXPECT_EQ(state.m_strPercentSubLabel, strPercent);
    if (state.m_nPercentDone != 0) {
      EXPECT_EQ(state.m_strPercentText, "(100.00%)");
    }
    EXPECT_EQ(state.m_nPercentTotal, state.m_nPercentDone);
    return !::testing::Test::HasFailure();
  };
  while (!bDone) {
    if (!check(driver.TakeSnapshot())) break;
  }
  writer.join();
  const CSetupState last = driver.TakeSnapshot();
  check(last);
  EXPECT_EQ(last.m_nCountCurrent, 20000);
  window.queue.TakeMessages();
  window.queue.TakeInvalidations();
}

TEST_F(DriverFixture, ASecondRunNeedsANewStart) {
  driver.StartWorker();
  window.DispatchUntilEnd();
  driver.calledPhases.clear();
  driver.StartWorker();
  std::vector<uint32_t> messages = window.DispatchUntilEnd();
  EXPECT_EQ(messages.back(), WM_SETUP_COMPLETE);
  EXPECT_EQ(driver.calledPhases, (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
