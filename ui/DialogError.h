#pragma once

#include <ctime>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Font.h"
#include "ui/ButtonSkin.h"
#include "ui/SkinnedDialog.h"

class CDialogMain;

// The error-details page of a failed run: the error message, the advice and
// support contacts, and three buttons: save the setup report as a .rpt file
// the user chooses, open the action-guide page in the default browser, and
// close. It reads the main window's error record and report; it changes
// neither.
class CDialogError : public CSkinnedDialog {
 public:
  explicit CDialogError(platform::gui::Window* pParentWnd = nullptr);

  // The main window whose run failed; set before DoModal.
  CDialogMain* m_pOwner = nullptr;

  // "케보 전자결제 서비스 설치오류 (YYYYMMDD).rpt" for the given local date.
  static std::string DefaultReportName(const std::tm& localDate);
  // The path a report is saved to for the path the user chose: ".rpt" is
  // added when the chosen file name has no extension, any other name is
  // kept as it is.
  static std::string ReportPath(const std::string& strChosenPath);

  const std::string& MessageText() const { return m_strMessage; }

 protected:
  void DoDataExchange(platform::gui::DataExchange* pDX) override;
  platform::gui::BOOL OnInitDialog() override;
  void OnPaint() override;
  void OnDestroy() override;
  platform::gui::BOOL OnButtonClicked(int nID) override;
  // The title band of its own picture (460 x 34).
  platform::gui::Rect TitleRect() const override;

  // Asks for a file with the toolkit's save dialog and writes the report
  // there (FF FE and UTF-16LE). Tells the user when it cannot be written.
  void OnSave();
  // Opens the action-guide page (string 3) without waiting for the browser.
  void OnGuide();

 private:
  CButtonSkin m_btnGuide;
  CButtonSkin m_btnClose;
  CButtonSkin m_btnSmallClose;
  CButtonSkin m_btnSave;

  platform::gui::Bitmap m_bmpTitle;
  platform::gui::Bitmap m_bmpBody;
  platform::gui::Bitmap m_bmpLineTop;
  platform::gui::Bitmap m_bmpLineBottom;
  platform::gui::Bitmap m_bmpAdvice;
  platform::gui::Bitmap m_bmpContacts;
  platform::gui::Bitmap m_bmpQuestion;

  std::string m_strMessage;
  platform::gui::Rect m_rcText{21, 45, 439, 111};
  platform::gui::Font m_fontText;
};
