#pragma once

#include "platform/gui/Bitmap.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/Font.h"
#include "ui/ButtonSkin.h"

// The first page of the wizard: thanks the user, says what the wizard does
// and that no personal information leaves the PC, and waits for Next
// (IDOK). The × button and Esc end it with IDCANCEL, and no check runs.
class CDialogWelcome : public platform::gui::Dialog {
 public:
  explicit CDialogWelcome(platform::gui::Window* pParentWnd = nullptr);

 protected:
  void DoDataExchange(platform::gui::DataExchange* pDX) override;
  platform::gui::BOOL OnInitDialog() override;
  void OnPaint() override;
  platform::gui::BOOL OnEraseBkgnd(platform::gui::DC* pDC) override;
  void OnLButtonDown(platform::gui::UINT nFlags, platform::gui::Point point) override;
  void OnDestroy() override;

 private:
  CButtonSkin m_btnNext;
  CButtonSkin m_btnClose;
  platform::gui::Bitmap m_bmpBackground;
  platform::gui::Bitmap m_bmpHeading;
  platform::gui::Font m_fontText;
  platform::gui::Font m_fontBold;
};
