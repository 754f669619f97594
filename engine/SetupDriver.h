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
  explicit CSetupDriver(platform::gui::MessageTarget* pWindow);
  ~CSetupDriver() override;

  CSetupDriver(const CSetupDriver&) = delete;
  CSetupDriver& operator=(const CSetupDriver&) = delete;

  // Starts the worker at phase 0. When the thread cannot be created,
  // OnStartFailed() is called and nothing else happens.
  void StartWorker();
  // Sets the stop flag and waits for the worker to end; no thread outlives it.
  void StopWorker();

  int GetPhase();
  void SetPhase(int nPhase);
  void SetStatusText(const std::string& strText) override;
  // "(%d/%d)" of current and total, under the label; posts WM_SETUP_COUNT.
  void SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) override;
  // "(%3.2f%%)" of done / total; invalidates the percent line (no message).
  void SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                          int nTotal) override;

  // The stop flag, read under the lock.
  bool IsStopRequested() override;
  void RequestStop();

  // A copy of the fields the window paints, taken under the lock.
  struct Snapshot {
    int nPhase = 0;
    int bStop = 0;
    std::string strStatus;
    std::string strCountLabel;
    std::string strCountText;
    int nCountCurrent = 0;
    int nCountTotal = 0;
    std::string strPercentLabel;
    std::string strPercentSubLabel;
    std::string strPercentText;
    int nPercentDone = 0;
    int nPercentTotal = 0;
  };
  Snapshot TakeSnapshot();

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
  std::mutex m_csState;
  int m_nPhase = 0;
  int m_bStop = 0;
  std::string m_strStatus;
  int m_bErrorMode = 0;
  CErrorInfo m_errorInfo;
  CSetupReport m_setupReport;

  std::string m_strCountLabel;
  std::string m_strCountText;
  int m_nCountCurrent = 0;
  int m_nCountTotal = 0;

  std::string m_strPercentLabel;
  std::string m_strPercentSubLabel;
  std::string m_strPercentText;
  int m_nPercentDone = 0;
  int m_nPercentTotal = 0;

  // The three rectangles of the percent line, placed by the window.
  std::array<platform::gui::Rect, 3> m_rcPercentLine{};
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
};
