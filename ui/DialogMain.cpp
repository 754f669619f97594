#include "ui/DialogMain.h"

#include "engine/SetupMessages.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/PaintDC.h"
#include "resources/resource.h"
#include "ui/BufferDC.h"
#include "ui/DialogError.h"

using namespace platform::gui;

namespace {

using ButtonPlace = CSkinnedDialog::ButtonPlace;
constexpr ButtonPlace kRunPlace{IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 245, 408};
constexpr ButtonPlace kDonePlace{IDB_CONFIRM_NORMAL, IDB_CONFIRM_PRESSED, IDB_CONFIRM_HOVER, 245, 408};
constexpr ButtonPlace kClosePlace{IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER, 517, 14};
constexpr ButtonPlace kErrorDetailPlace{IDB_ERROR_DETAIL_NORMAL, IDB_ERROR_DETAIL_PRESSED, IDB_ERROR_DETAIL_HOVER,
                                        38, 214};

constexpr UINT kMarqueeInterval = 50;
constexpr UINT kBlinkFirstInterval = 50;
constexpr UINT kBlinkInterval = 500;
constexpr UINT kStartDelay = 500;

}  // namespace

CDialogMain::CDialogMain(Window* pParentWnd) : CSkinnedDialog(IDD_VAMOSETUP_DIALOG, pParentWnd) {}

CDialogMain::~CDialogMain() {
  // Destroyed here rather than by the base class, so that WM_DESTROY still
  // reaches this class and stops the worker.
  if (m_hWnd) DestroyWindow();
}

void CDialogMain::DoDataExchange(DataExchange* pDX) {
  CSkinnedDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_ERROR_DETAIL, m_btnErrorDetail);
  DDX_Control(pDX, IDC_DONE, m_btnDone);
  DDX_Control(pDX, IDOK, m_btnRun);
  DDX_Control(pDX, IDCANCEL, m_btnClose);
}

BOOL CDialogMain::OnInitDialog() {
  CSkinnedDialog::OnInitDialog();

  m_icon.LoadIcon(IDR_MAINFRAME);
  SetIcon(&m_icon, TRUE);
  SetIcon(&m_icon, FALSE);

  m_painter.Load();
  const Size size = m_painter.BackgroundSize();
  SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  if (m_pRun) {
    // The run starts with its first status text and count label; where the
    // percent line lies is the window's to say.
    m_pRun->SetPercentLine({CMainPainter::kPercentBar, CMainPainter::kPercentLabel, CMainPainter::kPercentLabel});
  }
  m_bBlink = false;
  m_nMarqueeOffset = 0;

  PlaceButton(m_btnRun, kRunPlace);
  PlaceButton(m_btnDone, kDonePlace);
  PlaceButton(m_btnClose, kClosePlace);
  PlaceButton(m_btnErrorDetail, kErrorDetailPlace);
  ShowControl(IDC_DONE, SW_HIDE);
  ShowControl(IDC_ERROR_DETAIL, SW_HIDE);

  m_bBlink = true;
  SetTimer(kTimerBlink, kBlinkFirstInterval);
  SetTimer(kTimerMarquee, kMarqueeInterval);
  SetTimer(kTimerStartWorker, kStartDelay);
  return TRUE;
}

LRESULT CDialogMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETUP_COMPLETE: OnComplete(); return 0;
    case WM_SETUP_ERROR: OnError(); return 0;
    case WM_SETUP_STATUS: {
      const Rect rc = m_painter.StatusRect();
      InvalidateRect(&rc, TRUE);
      return 0;
    }
    case WM_SETUP_PHASE: Invalidate(TRUE); return 0;
    case WM_SETUP_COUNT:
      InvalidateRect(&CMainPainter::kCountBar, TRUE);
      InvalidateRect(&CMainPainter::kCountLabel, TRUE);
      return 0;
    case WM_SETUP_PERCENT:
      InvalidateRect(&CMainPainter::kPercentBar, TRUE);
      InvalidateRect(&CMainPainter::kPercentLabel, TRUE);
      InvalidateRect(&CMainPainter::kPercentLabel, TRUE);
      return 0;
    default: return CSkinnedDialog::WindowProc(message, wParam, lParam);
  }
}

CSetupState CDialogMain::CurrentState() const { return m_pRun ? m_pRun->TakeSnapshot() : CSetupState{}; }

void CDialogMain::ShowControl(int nID, int nCmdShow) {
  if (Window* pControl = GetDlgItem(nID)) pControl->ShowWindow(nCmdShow);
}

void CDialogMain::StartWorker() {
  if (!m_pRun) return;
  m_pRun->StartWorker();
  if (!m_pRun->m_pWorkerThread) MessageBox(m_hWnd, CSetupDriver::kStartFailedText, "", MB_OK);
}

void CDialogMain::StopWorker() {
  if (m_pRun) m_pRun->StopWorker();
}

void CDialogMain::OnPaint() {
  PaintDC dc(this);
  Rect rcClient;
  GetClientRect(&rcClient);
  if (IsIconic()) {
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<DC*>(&dc)), 0);
    const int x = (rcClient.right - rcClient.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rcClient.bottom - rcClient.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, &m_icon);
    return;
  }
  CMainView view;
  view.run = CurrentState();
  view.bBlink = m_bBlink;
  CBufferDC buffer(&dc, &rcClient);
  m_painter.Paint(buffer, view, m_nMarqueeOffset);
}

void CDialogMain::OnTimer(UINT_PTR nIDEvent) {
  // Every timer fires once and is started again only while its picture
  // still moves.
  KillTimer(nIDEvent);
  switch (nIDEvent) {
    case kTimerStartWorker: StartWorker(); break;
    case kTimerMarquee: {
      const CSetupState state = CurrentState();
      m_nMarqueeOffset += 10;
      InvalidateRect(&CMainPainter::kMarqueeBar, TRUE);
      if (!state.m_bErrorMode && state.m_nPhase < SetupPhase::kInstall) SetTimer(kTimerMarquee, kMarqueeInterval);
      break;
    }
    case kTimerBlink: {
      // The failed look does not stop the blinking: the step that failed
      // keeps blinking.
      const SetupPhase phase = CurrentState().m_nPhase;
      m_bBlink = !m_bBlink;
      const Rect rc = m_painter.StepStripRect();
      InvalidateRect(&rc, TRUE);
      if (phase < SetupPhase::kDone) SetTimer(kTimerBlink, kBlinkInterval);
      break;
    }
    default: break;
  }
  CSkinnedDialog::OnTimer(nIDEvent);
}

void CDialogMain::OnDestroy() {
  CSkinnedDialog::OnDestroy();
  // Closing during a run waits here until the worker has seen the stop
  // flag; the program ends only after that.
  StopWorker();
  m_painter.Release();
}

const Icon* CDialogMain::OnQueryDragIcon() { return &m_icon; }

BOOL CDialogMain::OnButtonClicked(int nID) {
  switch (nID) {
    case IDC_DONE: OnOK(); return TRUE;
    case IDC_ERROR_DETAIL: OnErrorDetail(); return TRUE;
    default: return FALSE;
  }
}

void CDialogMain::OnComplete() {
  if (m_pRun) m_pRun->OnSetupComplete();
  Invalidate(TRUE);
  ShowControl(IDC_DONE, SW_SHOW);
  ShowControl(IDCANCEL, SW_SHOW);
  ShowControl(IDOK, SW_HIDE);
}

void CDialogMain::OnError() {
  if (m_pRun) m_pRun->OnSetupError();
  Invalidate(TRUE);
  ShowControl(IDOK, SW_HIDE);
  ShowControl(IDCANCEL, SW_SHOW);
  ShowControl(IDC_DONE, SW_SHOW);
  ShowControl(IDC_ERROR_DETAIL, SW_SHOW);
}

void CDialogMain::OnErrorDetail() {
  CDialogError dialog(this);
  dialog.m_pOwner = this;
  dialog.DoModal();
}
