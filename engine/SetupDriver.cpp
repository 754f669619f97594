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

CSetupDriver::CSetupDriver(platform::gui::MessageTarget* pWindow) : m_pWindow(pWindow) {}

// A derived class must stop the worker in its own destructor, while the
// phase operations it overrides still exist; this is the last safety net.
CSetupDriver::~CSetupDriver() { StopWorker(); }

void CSetupDriver::StartWorker() {
  // A finished run's thread is collected first: one worker at a time.
  StopWorker();
  {
    std::lock_guard lock(m_csState);
    m_nPhase = 0;
    m_bStop = 0;
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
    m_bStop = 1;
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

int CSetupDriver::GetPhase() {
  std::lock_guard lock(m_csState);
  return m_nPhase;
}

void CSetupDriver::SetPhase(int nPhase) {
  {
    std::lock_guard lock(m_csState);
    m_nPhase = nPhase;
  }
  m_pWindow->PostMessage(WM_SETUP_PHASE);
}

void CSetupDriver::SetStatusText(const std::string& strText) {
  {
    std::lock_guard lock(m_csState);
    m_strStatus = strText;
  }
  m_pWindow->PostMessage(WM_SETUP_STATUS);
}

void CSetupDriver::SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) {
  char text[64];
  std::snprintf(text, sizeof text, "(%d/%d)", nCurrent, nTotal);
  {
    std::lock_guard lock(m_csState);
    m_strCountLabel = strLabel;
    m_strCountText = text;
    m_nCountTotal = nTotal;
    m_nCountCurrent = nCurrent;
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
    m_strPercentLabel = strLabel;
    m_strPercentText = text;
    m_strPercentSubLabel = strSubLabel;
    m_nPercentDone = nDone;
    m_nPercentTotal = nTotal;
    rects = m_rcPercentLine;
  }
  for (const platform::gui::Rect& rect : rects) m_pWindow->InvalidateRect(rect);
}

bool CSetupDriver::IsStopRequested() {
  std::lock_guard lock(m_csState);
  return m_bStop == 1;
}

void CSetupDriver::RequestStop() {
  std::lock_guard lock(m_csState);
  m_bStop = 1;
}

CSetupDriver::Snapshot CSetupDriver::TakeSnapshot() {
  std::lock_guard lock(m_csState);
  Snapshot snapshot;
  snapshot.nPhase = m_nPhase;
  snapshot.bStop = m_bStop;
  snapshot.strStatus = m_strStatus;
  snapshot.strCountLabel = m_strCountLabel;
  snapshot.strCountText = m_strCountText;
  snapshot.nCountCurrent = m_nCountCurrent;
  snapshot.nCountTotal = m_nCountTotal;
  snapshot.strPercentLabel = m_strPercentLabel;
  snapshot.strPercentSubLabel = m_strPercentSubLabel;
  snapshot.strPercentText = m_strPercentText;
  snapshot.nPercentDone = m_nPercentDone;
  snapshot.nPercentTotal = m_nPercentTotal;
  return snapshot;
}

void CSetupDriver::SetupThreadProc(CSetupDriver* pDriver) {
  while (pDriver->RunOnePass()) {
  }
}

bool CSetupDriver::RunOnePass() {
  if (IsStopRequested()) return false;

  switch (GetPhase()) {
    case 0:
      // The system analysis only writes the report; it cannot fail the run.
      AnalyzeUser();
      Pause(m_nPhasePauseMs);
      SetStatusText(kPhaseStatusText[0]);
      SetPhase(1);
      break;
    case 1:
      if (int nResult = AnalyzeNetwork(); nResult != 0) {
        ErrorExit(nResult, true);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[1]);
        SetPhase(2);
      }
      break;
    case 2:
      if (int nResult = AnalyzeBrowsers(); nResult != 0) {
        ErrorExit(nResult, true);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[2]);
        SetPhase(3);
      }
      break;
    case 3:
      if (int nResult = ProcInstall(); nResult != 0) {
        // A folder failure filled the record itself, with the folder as detail.
        ErrorExit(nResult, nResult != kErrFolderAccess);
      } else {
        Pause(m_nPhasePauseMs);
        SetStatusText(kPhaseStatusText[3]);
        SetPhase(4);
      }
      break;
    case 4:
      RequestStop();
      m_pWindow->PostMessage(WM_SETUP_COMPLETE);
      break;
    default:
      // No work belongs to any other phase; wait for the window to stop us
      // without spinning.
      Pause(10);
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
