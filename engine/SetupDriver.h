#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "diagnostics/StatusSink.h"
#include "engine/ErrorInfo.h"
#include "engine/InstallHost.h"
#include "engine/SetupReport.h"
#include "engine/SetupState.h"
#include "platform/gui/MessageTarget.h"

// The setup driver: the one worker thread of a run and the state the window
// shows. The worker runs the four phases in order (system, network and
// browser analysis, install procedure); after each phase's work it pauses,
// sets the status text that announces the next phase and moves the phase on.
// It tells the window of every change by a posted message and ends a run with
// exactly one WM_SETUP_COMPLETE or WM_SETUP_ERROR.
//
// The phase operations are virtual: the run (CSetupRun) supplies the real
// ones, tests supply their own. The network analysis shows its checks
// through the driver's status text (IStatusSink).
class CSetupDriver : public IInstallHost, public IStatusSink {
 public:
  // The window's fields start as initialState has them (texts the window
  // shows before the worker's first change).
  explicit CSetupDriver(platform::gui::MessageTarget* pWindow, const CSetupState& initialState = {});
  ~CSetupDriver() override;

  CSetupDriver(const CSetupDriver&) = delete;
  CSetupDriver& operator=(const CSetupDriver&) = delete;

  // Starts the worker at phase 0. When the thread cannot be created,
  // OnStartFailed() is called and nothing else happens.
  void StartWorker();
  // Sets the stop flag and waits for the worker to end; no thread outlives it.
  void StopWorker();

  SetupPhase GetPhase() const;
  void SetPhase(SetupPhase phase);
  void SetStatusText(const std::string& strText) override;
  // "(%d/%d)" of current and total, under the label; posts WM_SETUP_COUNT.
  void SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) override;
  // "(%3.2f%%)" of done / total; invalidates the percent line (no message).
  void SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                          int nTotal) override;
  // The failed look, set by the window when the run failed.
  void SetErrorMode(bool bErrorMode);

  // The stop flag, read under the lock.
  bool IsStopRequested() override;
  void RequestStop();

  // A copy of the fields the window shows, all taken at one moment.
  CSetupState TakeSnapshot() const;

  // The three rectangles of the percent line, placed by the window; the
  // worker invalidates them after each percent change.
  void SetPercentLine(const std::array<platform::gui::Rect, 3>& rects);
  std::array<platform::gui::Rect, 3> PercentLine() const;

  // The phase operations: 0 or an error code.
  virtual int AnalyzeUser() = 0;
  virtual int AnalyzeNetwork() = 0;
  virtual int AnalyzeBrowsers() = 0;
  virtual int ProcInstall() = 0;

  // Called on the window's thread when the worker cannot be started.
  virtual void OnStartFailed();

  // The status texts that announce the next phase.
  static const char* const kPhaseStatusText[4];
  static constexpr char kStartFailedText[] = "시작실패";

  std::unique_ptr<std::thread> m_pWorkerThread;
  CErrorInfo m_errorInfo;
  CSetupReport m_setupReport;

  // The pause after each phase's work; one second in the product.
  int m_nPhasePauseMs = 1000;

 protected:
  platform::gui::MessageTarget* m_pWindow;

 private:
  static void SetupThreadProc(CSetupDriver* pDriver);
  // One pass of the worker's loop; false when the thread must end.
  bool RunOnePass();
  void ErrorExit(int nCode, bool bFillRecord);
  void Pause(int nMs);

  // Guards m_state and m_rcPercentLine; held only for single reads and
  // writes, never across work, a post or an invalidation.
  mutable std::mutex m_csState;
  CSetupState m_state;
  std::array<platform::gui::Rect, 3> m_rcPercentLine{};
};
