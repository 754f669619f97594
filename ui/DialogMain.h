#pragma once

#include <string>

#include "engine/SetupRun.h"
#include "platform/gui/Icon.h"
#include "ui/MainPainter.h"
#include "ui/SkinnedDialog.h"

// The main wizard window, in which the whole check-and-repair run happens.
// 500 ms after it opens it starts the run's worker without any click, then
// only shows what the worker reports through the run's fields and the six
// setup messages: the current step, the status text and the progress bars
// while it runs; the done button when it completed; the failed look and the
// error-details button when it failed. The run itself (driver state,
// analyses, plan, report, error record) is an object of the engine that the
// program makes and hands over before the window opens; the window holds
// none of its logic.
//
// Closing the window (run-cancel, ×, Esc) never kills the worker: the
// window's destruction sets the stop flag and waits until the worker has
// noticed it, so no worker outlives the window.
class CDialogMain : public CSkinnedDialog {
 public:
  static constexpr platform::gui::UINT_PTR kTimerStartWorker = 10002;
  static constexpr platform::gui::UINT_PTR kTimerMarquee = 10003;
  static constexpr platform::gui::UINT_PTR kTimerBlink = 10004;

  explicit CDialogMain(platform::gui::Window* pParentWnd = nullptr);
  ~CDialogMain() override;

  // The run this window shows and starts; it must outlive the window.
  void SetRun(CSetupRun* pRun) { m_pRun = pRun; }
  CSetupRun* GetRun() const { return m_pRun; }

  // Starts the run's worker; when the thread cannot be made, tells the user
  // ("시작실패") and stays in the running state with nothing running.
  void StartWorker();
  // Stops the worker and waits for its end (no time limit).
  void StopWorker();

  // The display state of the window (painting reads it on the UI thread).
  bool m_bBlink = false;
  int m_nMarqueeOffset = 0;

 protected:
  void DoDataExchange(platform::gui::DataExchange* pDX) override;
  platform::gui::BOOL OnInitDialog() override;
  platform::gui::LRESULT WindowProc(platform::gui::UINT message, platform::gui::WPARAM wParam,
                                    platform::gui::LPARAM lParam) override;
  void OnPaint() override;
  void OnTimer(platform::gui::UINT_PTR nIDEvent) override;
  void OnDestroy() override;
  const platform::gui::Icon* OnQueryDragIcon() override;
  platform::gui::BOOL OnButtonClicked(int nID) override;

  // WM_SETUP_COMPLETE and WM_SETUP_ERROR: the run collects its worker (and
  // on error closes its report with the message), then the window shows the
  // completed or the failed state.
  void OnComplete();
  void OnError();
  void OnErrorDetail();

 private:
  // The run's fields as the worker last set them (the first phase and
  // empty texts without a run).
  CSetupState CurrentState() const;
  void ShowControl(int nID, int nCmdShow);

  CSetupRun* m_pRun = nullptr;
  CButtonSkin m_btnErrorDetail;
  CButtonSkin m_btnDone;
  CButtonSkin m_btnRun;
  CButtonSkin m_btnClose;
  CMainPainter m_painter;
  platform::gui::Icon m_icon;
};
