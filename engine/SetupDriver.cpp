#include "engine/SetupDriver.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "engine/ErrorCodes.h"
#include "engine/SetupMessages.h"
#include "system/Trace.h"

const char* const CSetupDriver::kPhaseStatusText[4] = {
    "결제 오류 원인 분석을 위하여 네트워크 정보를 분석하고 있습니다.\n\n잠시만 기다려 주십시오.",
    "결제 오류 원인 분석을 위하여 브라우저 정보를 분석하고 있습니다.\n\n잠시만 기다려 주십시오.",
    "케보 전자결제를 하기 위해 필요한 파일을 설치 및 복구하고 있습니다.\n\n잠시만 기다려 주십시오.",
    "케보 전자결제창 복구를 완료 하였습니다.\n\n결제를 하시던 곳에서 다시 한번 결제를 진행하여 주십시오.",
};

CSetupDriver::CSetupDriver(platform::gui::MessageTarget* pWindow, const CSetupState& initialState)
    : m_pWindow(pWindow), m_state(initialState) {}

// A derived class must stop the worker in its own destructor, while the
// phase operations it overrides still exist; this is the last safety net.
CSetupDriver::~CSetupDriver() { StopWorker(); }

void CSetupDriver::StartWorker() {
  // A finished run's thread is collected first: one worker at a time.
  StopWorker();
  {
    std::lock_guard lock(m_csState);
    m_state.m_nPhase = SetupPhase::kUserAnalysis;
    m_state.m_bStop = false;
  }
  try {
    m_pWorkerThread = std::make_unique<std::thread>(&CSetupDriver::SetupThreadProc, this);
  } catch (const std::system_error& error) {
    Trace("CSetupDriver::StartWorker() Fail [%s]", error.what());
    OnStartFailed();
  }
}

void CSetupDriver::StopWorker() {
  if (!m_pWorkerThread) return;
  {
    std::lock_guard lock(m_csState);
    m_state.m_bStop = true;
  }
  if (m_pWorkerThread->joinable()) {
    if (m_pWorkerThread->get_id() == std::this_thread::get_id()) {
      m_pWorkerThread->detach();  // the worker cannot wait for itself
    } else {
      m_pWorkerThread->join();
    }
  }
  m_pWorkerThread.reset();
}

void CSetupDriver::OnStartFailed() {}

SetupPhase CSetupDriver::GetPhase() const {
  std::lock_guard lock(m_csState);
  return m_state.m_nPhase;
}

void CSetupDriver::SetPhase(SetupPhase phase) {
  {
    std::lock_guard lock(m_csState);
    m_state.m_nPhase = phase;
  }
  m_pWindow->PostMessage(WM_SETUP_PHASE);
}

void CSetupDriver::SetStatusText(const std::string& strText) {
  {
    std::lock_guard lock(m_csState);
    m_state.m_strStatus = strText;
  }
  m_pWindow->PostMessage(WM_SETUP_STATUS);
}

void CSetupDriver::SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) {
  char text[64];
  std::snprintf(text, sizeof text, "(%d/%d)", nCurrent, nTotal);
  {
    std::lock_guard lock(m_csState);
    m_state.m_strCountLabel = strLabel;
    m_state.m_strCountText = text;
    m_state.m_nCountTotal = nTotal;
    m_state.m_nCountCurrent = nCurrent;
  }
  m_pWindow->PostMessage(WM_SETUP_COUNT);
}

void CSetupDriver::SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                                      int nTotal) {
  // A total of 0 (a size nobody announced) shows 0 %, not "inf%".
  float fPercent = (nDone != 0 && nTotal > 0) ? static_cast<float>(nDone) / static_cast<float>(nTotal) * 100.0f : 0.0f;
  char text[64];
  std::snprintf(text, sizeof text, "(%3.2f%%)", static_cast<double>(fPercent));
  std::array<platform::gui::Rect, 3> rects;
  {
    std::lock_guard lock(m_csState);
    m_state.m_strPercentLabel = strLabel;
    m_state.m_strPercentText = text;
    m_state.m_strPercentSubLabel = strSubLabel;
    m_state.m_nPercentDone = nDone;
    m_state.m_nPercentTotal = nTotal;
    rects = m_rcPercentLine;
  }
  for (const platform::gui::Rect& rect : rects) m_pWindow->InvalidateRect(rect);
}

void CSetupDriver::SetErrorMode(bool bErrorMode) {
  std::lock_guard lock(m_csState);
  m_state.m_bErrorMode = bErrorMode;
}

bool CSetupDriver::IsStopRequested() {
  std::lock_guard lock(m_csState);
  return m_state.m_bStop;
}

void CSetupDriver::RequestStop() {
  std::lock_guard lock(m_csState);
  m_state.m_bStop = true;
}

void CSetupDriver::SetPercentLine(const std::array<platform::gui::Rect, 3>& rects) {
  std::lock_guard lock(m_csState);
  m_rcPercentLine = rects;
}

std::array<platform::gui::Rect, 3> CSetupDriver::PercentLine() const {
  std::lock_guard lock(m_csState);
  return m_rcPercentLine;
}

CSetupState CSetupDriver::TakeSnapshot() const {
  std::lock_guard lock(m_csState);
  return m_state;
}

void CSetupDriver::SetupThreadProc(CSetupDriver* pDriver) {
  while (pDriver->RunOnePass()) {
  }
}

bool CSetupDriver::RunOnePass() {
  if (IsStopRequested()) return false;

  switch (GetPhase()) {
    case SetupPhase::kUserAnalysis:
      // The system analysis only writes the report; it cannot fail the run.
      AnalyzeUser();
      Pause(m_nPhasePauseMs);
      SetStatusText(kPhaseStatusText[0]);
      SetPhase(SetupPhase::kNetworkAnalysis);
      break;
    case SetupPhase::kNetworkAnalysis:
      if (int nResult = AnalyzeNetwork(); nResult != 0) {
        ErrorExit(nResult, true);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[1]);
        SetPhase(SetupPhase::kBrowserAnalysis);
      }
      break;
    case SetupPhase::kBrowserAnalysis:
      if (int nResult = AnalyzeBrowsers(); nResult != 0) {
        ErrorExit(nResult, true);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[2]);
        SetPhase(SetupPhase::kInstall);
      }
      break;
    case SetupPhase::kInstall:
      if (int nResult = ProcInstall(); nResult != 0) {
        // A folder failure filled the record itself, with the folder as detail.
        ErrorExit(nResult, nResult != kErrFolderAccess);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[3]);
        SetPhase(SetupPhase::kDone);
      }
      break;
    case SetupPhase::kDone:
      RequestStop();
      m_pWindow->PostMessage(WM_SETUP_COMPLETE);
      break;
  }
  return true;
}

void CSetupDriver::ErrorExit(int nCode, bool bFillRecord) {
  if (bFillRecord) m_errorInfo.SetError(nCode, "");
  RequestStop();
  m_pWindow->PostMessage(WM_SETUP_ERROR);
}

void CSetupDriver::Pause(int nMs) {
  if (nMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(nMs));
}
