#include "ui/DialogWelcome.h"

#include "platform/gui/PaintDC.h"
#include "resources/resource.h"
#include "ui/BufferDC.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;

namespace {

constexpr COLORREF kTextColour = RGB(102, 102, 102);
constexpr char kLine1[] = "케보 전자결제를 이용해 주셔서 감사합니다.";
constexpr char kLine2[] = "본 마법사는 전자결제 플러그인(결제창)을 사용하여 결제할 수 있도록 PC 환경을 검사하고";
constexpr char kLine3[] = "오류를 복구해 드립니다.";
constexpr char kLine4[] = "본 마법사를 통하여 고객님의 어떤한 정보도 유출되지 않습니다.";
constexpr char kLine5[] = "단, 설치시 발생한 오류문제는 케보페이먼츠 고객센터로 보고됩니다.";
constexpr char kLine6Bold[] = "[다음]";
constexpr char kLine6[] = " 버튼을 누르시면 점검을 시작합니다.";

constexpr CSkinnedDialog::ButtonPlace kNextPlace{IDB_NEXT_NORMAL, IDB_NEXT_PRESSED, IDB_NEXT_HOVER, 245, 408};
constexpr CSkinnedDialog::ButtonPlace kClosePlace{IDB_CLOSE_X_NORMAL, IDB_CLOSE_X_PRESSED, IDB_CLOSE_X_HOVER, 517, 14};

}  // namespace

CDialogWelcome::CDialogWelcome(Window* pParentWnd) : CSkinnedDialog(IDD_DIALOG_WELCOME, pParentWnd) {}

void CDialogWelcome::DoDataExchange(DataExchange* pDX) {
  CSkinnedDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDOK, m_btnNext);
  DDX_Control(pDX, IDCANCEL, m_btnClose);
}

BOOL CDialogWelcome::OnInitDialog() {
  CSkinnedDialog::OnInitDialog();
  LoadSkinBitmap(m_bmpBackground, IDB_WELCOME_BACKGROUND, nullptr);
  LoadSkinBitmap(m_bmpHeading, IDB_WELCOME_HEADING, nullptr);
  ResizeToBitmap(this, m_bmpBackground);
  m_fontText.CreateFont(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "굴림");
  m_fontBold.CreateFont(12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "굴림");
  PlaceButton(m_btnNext, kNextPlace);
  PlaceButton(m_btnClose, kClosePlace);
  return TRUE;
}

void CDialogWelcome::OnPaint() {
  PaintDC dc(this);
  Rect rcClient;
  GetClientRect(&rcClient);
  CBufferDC buffer(&dc, &rcClient);
  DrawSkinBitmap(buffer, m_bmpBackground, 0, 0);
  DrawSkinBitmap(buffer, m_bmpHeading, 153, 82);

  ScopedDCState state(buffer);
  buffer->SetBkMode(TRANSPARENT);
  buffer->SetTextColor(kTextColour);
  buffer->SelectObject(&m_fontBold);
  // Every line below the first is placed by the first line's height in the
  // bold font.
  const int h = buffer->GetTextExtent(kLine1).cy;
  buffer->TextOut(38, 151, kLine1);
  buffer->SelectObject(&m_fontText);
  buffer->TextOut(38, 173 + h, kLine2);
  buffer->TextOut(38, 179 + 2 * h, kLine3);
  buffer->TextOut(38, 201 + 3 * h, kLine4);
  buffer->TextOut(38, 207 + 4 * h, kLine5);
  buffer->SelectObject(&m_fontBold);
  buffer->TextOut(38, 229 + 5 * h, kLine6Bold);
  // The rest of the line starts at a fixed x, not after the bold word.
  buffer->SelectObject(&m_fontText);
  buffer->TextOut(76, 229 + 5 * h, kLine6);
}

void CDialogWelcome::OnDestroy() {
  CSkinnedDialog::OnDestroy();
  m_bmpBackground.DeleteObject();
  m_bmpHeading.DeleteObject();
  m_fontText.DeleteObject();
  m_fontBold.DeleteObject();
}
