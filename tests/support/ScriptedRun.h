#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "engine/SetupRun.h"

// A run for window tests: the program's run with phases that do what the
// test sets, without touching the machine or the network. The window under
// test starts, ends and stops it exactly as it does the real run.
class CScriptedRun : public CSetupRun {
 public:
  explicit CScriptedRun(platform::gui::MessageTarget* pWindow) : CSetupRun(pWindow, WithoutPauses()) {}
  ~CScriptedRun() override { StopWorker(); }

  // Results of the phases; 0 lets the run go on.
  std::atomic<int> m_nNetworkResult{0};
  std::atomic<int> m_nBrowserResult{0};
  std::atomic<int> m_nInstallResult{0};
  // The install phase runs until the stop flag is set (as the item loop
  // does), then fails as a stopped install does.
  std::atomic<bool> m_bHoldInstall{false};
  // With -9302 from the install, the folder the install procedure names.
  std::string m_strFolderDetail;
  // Hold the first phase until released, so a test can look at the window
  // while the worker runs.
  std::atomic<bool> m_bHoldStart{false};

  std::atomic<bool> m_bStarted{false};
  std::atomic<bool> m_bInstallRunning{false};
  std::atomic<bool> m_bInstallEnded{false};
  std::atomic<std::thread::id> m_workerId{};

  // Called when the worker's thread could not be made.
  std::atomic<int> m_nStartFailures{0};
  std::function<void()> m_onStartFailed;

  void OnStartFailed() override {
    ++m_nStartFailures;
    if (m_onStartFailed) m_onStartFailed();
  }

  int AnalyzeUser() override {
    m_workerId = std::this_thread::get_id();
    m_bStarted = true;
    while (m_bHoldStart && !IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return 0;
  }
  int AnalyzeNetwork() override { return m_nNetworkResult; }
  int AnalyzeBrowsers() override { return m_nBrowserResult; }
  int ProcInstall() override {
    m_bInstallRunning = true;
    int nResult = m_nInstallResult;
    if (m_bHoldInstall) {
      while (!IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      // Some work still to finish after the flag was seen.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      nResult = -9204;
    }
    // The install procedure fills the record itself for a folder failure.
    if (nResult == -9302) m_errorInfo.SetError(nResult, m_strFolderDetail);
    m_bInstallEnded = true;
    return nResult;
  }

 private:
  static CSetupRunOptions WithoutPauses() {
    CSetupRunOptions options;
    options.bPauses = false;
    return options;
  }
};
