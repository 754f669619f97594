#pragma once

#include "platform/gui/Bitmap.h"
#include "platform/gui/Font.h"
#include "ui/ButtonSkin.h"
#include "ui/SkinnedDialog.h"

// The first page of the wizard: thanks the user, says what the wizard does
// and that no personal information leaves the PC, and waits for Next
// (IDOK). The × button and Esc end it with IDCANCEL, and no check runs.
class CDialogWelcome : public CSkinnedDialog {
 public:
  explicit CDialogWelcome(platform::gui::Window* pParentWnd = nullptr);

 protected:
  void DoDataExchange(platform::gui::DataExchange* pDX) override;
  platform::gui::BOOL OnInitDialog() override;
  void OnPaint() override;
  void OnDestroy() override;

 private:
  CButtonSkin m_btnNext;
  CButtonSkin m_btnClose;
  platform::gui::Bitmap m_bmpBackground;
  platform::gui::Bitmap m_bmpHeading;
  platform::gui::Font m_fontText;
  platform::gui::Font m_fontBold;
};
