#include "ui/DialogError.h"

#include "platform/gui/FileDialog.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/Shell.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;

namespace {

constexpr char kReportNameFormat[] = "케보 전자결제 서비스 설치오류 (%s).rpt";
constexpr char kSaveFailedText[] =
    "오류내용을 저장하지 못했습니다. 다른 위치를 선택하여 다시 저장해 주십시오.";

using ButtonPlace = CSkinnedDialog::ButtonPlace;
constexpr ButtonPlace kGuidePlace{IDB_GUIDE_NORMAL, IDB_GUIDE_PRESSED, IDB_GUIDE_HOVER, 305, 197};
constexpr ButtonPlace kClosePlace{IDB_ERROR_CLOSE_NORMAL, IDB_ERROR_CLOSE_PRESSED, IDB_ERROR_CLOSE_HOVER, 257, 257};
constexpr ButtonPlace kSmallClosePlace{IDB_ERROR_SMALL_CLOSE, IDB_ERROR_SMALL_CLOSE, IDB_ERROR_SMALL_CLOSE, 432, 9};
constexpr ButtonPlace kSavePlace{IDB_SAVE_NORMAL, IDB_SAVE_PRESSED, IDB_SAVE_HOVER, 142, 257};

}  // namespace

CDialogError::CDialogError(Window* pParentWnd) : CSkinnedDialog(IDD_DIALOG_ERROR, pParentWnd) {}

std::string CDialogError::DefaultReportName(const std::tm& localDate) {
  char date[16];
  std::strftime(date, sizeof date, "%Y%m%d", &localDate);
  char name[128];
  std::snprintf(name, sizeof name, kReportNameFormat, date);
  return name;
}

std::string CDialogError::ReportPath(const std::string& strChosenPath) {
  const size_t nameStart = strChosenPath.find_last_of("\\/");
  const size_t dot = strChosenPath.rfind('.');
  const bool bHasDot = dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
  if (!bHasDot) return strChosenPath + ".rpt";
  // "report." names no extension either; it does not become "report..rpt".
  if (dot + 1 == strChosenPath.size()) return strChosenPath + "rpt";
  return strChosenPath;
}

void CDialogError::DoDataExchange(DataExchange* pDX) {
  CSkinnedDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_GUIDE, m_btnGuide);
  DDX_Control(pDX, IDOK, m_btnClose);
  DDX_Control(pDX, IDCANCEL, m_btnSmallClose);
  DDX_Control(pDX, IDC_SAVE, m_btnSave);
}

BOOL CDialogError::OnInitDialog() {
  CSkinnedDialog::OnInitDialog();

  Size title{460, 34}, body{460, 266};
  LoadSkinBitmap(m_bmpTitle, IDB_ERROR_TITLE, &title);
  LoadSkinBitmap(m_bmpBody, IDB_ERROR_BODY, &body);
  LoadSkinBitmap(m_bmpLineTop, IDB_ERROR_LINE_TOP, nullptr);
  LoadSkinBitmap(m_bmpLineBottom, IDB_ERROR_LINE_BOTTOM, nullptr);
  LoadSkinBitmap(m_bmpAdvice, IDB_ERROR_ADVICE, nullptr);
  LoadSkinBitmap(m_bmpContacts, IDB_ERROR_CONTACTS, nullptr);
  LoadSkinBitmap(m_bmpQuestion, IDB_ERROR_HELP_QUESTION, nullptr);
  // The title band over the body.
  SetWindowPos(nullptr, 0, 0, body.cx, title.cy + body.cy, SWP_NOMOVE | SWP_NOZORDER);

  PlaceButton(m_btnGuide, kGuidePlace);
  PlaceButton(m_btnClose, kClosePlace);
  PlaceButton(m_btnSmallClose, kSmallClosePlace);
  PlaceButton(m_btnSave, kSavePlace);

  Rect rcClient;
  GetClientRect(&rcClient);
  m_rcText = {21, 45, rcClient.right - 21, 111};
  m_fontText.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "굴림");

  if (m_pOwner && m_pOwner->GetRun()) m_strMessage = m_pOwner->GetRun()->ErrorMessageText();
  return TRUE;
}

void CDialogError::OnPaint() {
  PaintDC dc(this);
  Rect rcClient;
  GetClientRect(&rcClient);
  DrawSkinBitmap(&dc, m_bmpTitle, 0, 0);
  DrawSkinBitmap(&dc, m_bmpBody, 0, 34);

  // The separators are copied wider and taller than they are; only their
  // own pixels land.
  const int nLineWidth = rcClient.right - 21;
  for (auto [pLine, y] : {std::pair{&m_bmpLineBottom, 246}, std::pair{&m_bmpLineTop, 111}}) {
    if (pLine->IsNull()) continue;
    DC memDC;
    memDC.CreateCompatibleDC(&dc);
    ScopedSelectBitmap select(&memDC, pLine);
    dc.BitBlt(21, y, nLineWidth, 2, &memDC, 0, 0, SRCCOPY);
  }
  DrawSkinBitmap(&dc, m_bmpAdvice, 21, 124);
  DrawSkinBitmap(&dc, m_bmpContacts, 61, 171);
  DrawSkinBitmap(&dc, m_bmpQuestion, 61, 208);

  ScopedDCState state(&dc);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(102, 102, 102));
  dc.SelectObject(&m_fontText);
  Rect rc = m_rcText;
  // The detail is a path, which may hold "&".
  dc.DrawText(m_strMessage, &rc, DT_WORDBREAK | DT_NOPREFIX);
}

Rect CDialogError::TitleRect() const {
  const Size title = m_bmpTitle.IsNull() ? Size{460, 34} : m_bmpTitle.GetSize();
  return {0, 0, title.cx, title.cy};
}

void CDialogError::OnDestroy() {
  CSkinnedDialog::OnDestroy();
  for (Bitmap* bitmap : {&m_bmpTitle, &m_bmpBody, &m_bmpLineTop, &m_bmpLineBottom, &m_bmpAdvice, &m_bmpContacts,
                         &m_bmpQuestion})
    bitmap->DeleteObject();
  m_fontText.DeleteObject();
}

BOOL CDialogError::OnButtonClicked(int nID) {
  switch (nID) {
    case IDC_SAVE: OnSave(); return TRUE;
    case IDC_GUIDE: OnGuide(); return TRUE;
    default: return FALSE;
  }
}

void CDialogError::OnSave() {
  const std::time_t now = std::time(nullptr);
  const std::tm* pLocal = std::localtime(&now);
  const std::string strName = pLocal ? DefaultReportName(*pLocal) : DefaultReportName(std::tm{});
  FileDialog dialog(FALSE, "", strName, OFN_OVERWRITEPROMPT, "*.rpt||", this);
  if (dialog.DoModal() != IDOK) return;
  if (!m_pOwner || !m_pOwner->GetRun()) return;
  // Success is silent and the page stays open, so the user can save again
  // or close it; a report that could not be written is not passed over.
  if (m_pOwner->GetRun()->m_setupReport.Save(ReportPath(dialog.GetPathName())) != 0)
    MessageBox(m_hWnd, kSaveFailedText, kWizardTitle, MB_OK | MB_ICONWARNING);
}

void CDialogError::OnGuide() { OpenUrlInBrowser(platform::LoadModuleString(IDS_ACTION_GUIDE_URL)); }
