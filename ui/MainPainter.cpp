#include "ui/MainPainter.h"

#include <algorithm>

#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "ui/DialogSkin.h"

using namespace platform::gui;

namespace {

struct StepPlace {
  UINT nOn;
  UINT nOff;
  int x;
};
constexpr StepPlace kStepPlaces[5] = {
    {IDB_STEP1_ON, IDB_STEP1_OFF, 30},  {IDB_STEP2_ON, IDB_STEP2_OFF, 135}, {IDB_STEP3_ON, IDB_STEP3_OFF, 240},
    {IDB_STEP4_ON, IDB_STEP4_OFF, 345}, {IDB_STEP5_ON, IDB_STEP5_OFF, 465},
};
constexpr int kStepTop = 74;
// The arrow right of step k is arrow k.
constexpr int kArrowLeft[4] = {115, 220, 325, 445};
constexpr int kArrowTop = 94;

constexpr COLORREF kTextColour = RGB(102, 102, 102);
constexpr COLORREF kPhoneColour = RGB(54, 54, 54);
constexpr COLORREF kEmailColour = RGB(226, 86, 168);
constexpr COLORREF kLabelColour = RGB(45, 45, 45);
constexpr COLORREF kCountColour = RGB(91, 63, 188);
constexpr COLORREF kPercentColour = RGB(223, 64, 165);

constexpr int kBarLeft = 154;
constexpr int kBarRight = kBarLeft + CMainPainter::kBarWidth;

// Texts that come from the run (file names, messages) may hold "&", which
// is no mnemonic here.
constexpr UINT kText = DT_NOPREFIX;

BOOL MakeFont(Font& font, int nHeight, int nWeight, uint8_t bUnderline) {
  return font.CreateFont(nHeight, 0, 0, 0, nWeight, 0, bUnderline, 0, 0, 0, 0, 0, 0, "굴림");
}

// Width of one line in the selected font.
int MeasureLine(DC* pDC, const std::string& text, UINT nFormat) {
  Rect rc{0, 0, 0, 0};
  pDC->DrawText(text, &rc, DT_CALCRECT | nFormat);
  return rc.right - rc.left;
}

}  // namespace

BOOL CMainPainter::Load() {
  BOOL bAll = TRUE;
  auto load = [&bAll](Bitmap& bitmap, UINT nID) {
    if (!LoadSkinBitmap(bitmap, nID, nullptr)) bAll = FALSE;
  };
  load(m_bmpBackground, IDB_MAIN_BACKGROUND);
  for (size_t k = 0; k < m_steps.size(); ++k) {
    load(m_steps[k].bmpOn, kStepPlaces[k].nOn);
    load(m_steps[k].bmpOff, kStepPlaces[k].nOff);
  }
  load(m_bmpArrowOn, IDB_STEP_ARROW_ON);
  load(m_bmpArrowOff, IDB_STEP_ARROW_OFF);
  load(m_bmpMonitor, IDB_MONITOR);
  load(m_bmpGlobe, IDB_GLOBE);
  load(m_bmpTrack, IDB_PROGRESS_TRACK);
  load(m_bmpFill, IDB_PROGRESS_FILL);
  load(m_bmpErrorFill, IDB_PROGRESS_ERROR_FILL);
  load(m_bmpErrorMark, IDB_ERROR_MARK);
  load(m_bmpBanner, IDB_CONTACT_BANNER);

  // The strip and the status text run to R - 30 and R - 38 of the client
  // width, which is the background's.
  const int nClientWidth = m_bmpBackground.IsNull() ? 550 : m_bmpBackground.GetSize().cx;
  const int nStepHeight = m_steps[4].bmpOn.IsNull() ? 54 : m_steps[4].bmpOn.GetSize().cy;
  m_rcStepStrip = {30, kStepTop, nClientWidth - 30, kStepTop + nStepHeight};
  m_rcStatus = {38, 170, nClientWidth - 38, 240};

  if (!MakeFont(m_fontText, 12, FW_NORMAL, 0)) bAll = FALSE;
  if (!MakeFont(m_fontLink, 12, FW_NORMAL, 1)) bAll = FALSE;
  if (!MakeFont(m_fontBoldCount, 12, FW_BOLD, 0)) bAll = FALSE;
  if (!MakeFont(m_fontBoldPercent, 12, FW_BOLD, 0)) bAll = FALSE;
  if (!MakeFont(m_fontSmall, 11, FW_NORMAL, 0)) bAll = FALSE;

  m_strSupportPhone = platform::LoadModuleString(IDS_SUPPORT_PHONE);
  m_strSupportEmail = platform::LoadModuleString(IDS_SUPPORT_EMAIL);
  return bAll;
}

void CMainPainter::Release() {
  for (Bitmap* bitmap : {&m_bmpBackground, &m_bmpArrowOn, &m_bmpArrowOff, &m_bmpMonitor, &m_bmpGlobe, &m_bmpTrack,
                         &m_bmpFill, &m_bmpErrorFill, &m_bmpErrorMark, &m_bmpBanner})
    bitmap->DeleteObject();
  for (Step& step : m_steps) {
    step.bmpOn.DeleteObject();
    step.bmpOff.DeleteObject();
  }
  for (Font* font : {&m_fontText, &m_fontLink, &m_fontBoldCount, &m_fontBoldPercent, &m_fontSmall})
    font->DeleteObject();
}

Size CMainPainter::BackgroundSize() const {
  return m_bmpBackground.IsNull() ? Size{550, 450} : m_bmpBackground.GetSize();
}

int CMainPainter::FillWidth(int nCurrent, int nTotal) {
  if (nTotal == 0) return 0;
  // The constants are single-precision values computed with in double, as
  // the window always drew its bars: 0.01f lies just below 0.01, which is
  // what leaves the track's last column free at 100 %.
  const double width = static_cast<double>(nCurrent) / nTotal * 100.0f * kBarWidth * 0.01f;
  if (!(width > 0)) return 0;
  return width >= kBarWidth ? kBarWidth : static_cast<int>(width);
}

void CMainPainter::Paint(DC* pDC, const CMainView& view, int& nMarqueeOffset) {
  const SetupPhase phase = view.run.m_nPhase;
  DrawSkinBitmap(pDC, m_bmpBackground, 0, 0);
  if (phase == SetupPhase::kDone) {
    DrawSkinBitmap(pDC, m_bmpBanner, 110, 298);
  } else {
    DrawSkinBitmap(pDC, m_bmpMonitor, 40, 277);
    DrawSkinBitmap(pDC, m_bmpGlobe, 422, 277);
    if (phase < SetupPhase::kInstall) {
      DrawSkinBitmap(pDC, m_bmpTrack, kBarLeft, kMarqueeBar.top);
    } else {
      DrawSkinBitmap(pDC, m_bmpTrack, kBarLeft, kCountBar.top);
      DrawSkinBitmap(pDC, m_bmpTrack, kBarLeft, kPercentBar.top);
    }
  }
  DrawStepStrip(pDC, view);
  if (view.run.m_bErrorMode) {
    DrawErrorText(pDC, phase);
  } else {
    DrawStatusText(pDC, view.run.m_strStatus);
  }
  if (phase < SetupPhase::kInstall) {
    DrawMarqueeRow(pDC, view, nMarqueeOffset);
  } else if (phase == SetupPhase::kInstall) {
    DrawCountRow(pDC, view);
    DrawPercentRow(pDC, view);
  }
}

void CMainPainter::DrawStepStrip(DC* pDC, const CMainView& view) {
  const int nPhase = PhaseNumber(view.run.m_nPhase);
  for (int k = 0; k < 5; ++k) {
    Step& step = m_steps[static_cast<size_t>(k)];
    DrawSkinBitmap(pDC, nPhase == k && view.bBlink ? step.bmpOn : step.bmpOff, kStepPlaces[k].x, kStepTop);
  }
  for (int x : kArrowLeft) DrawSkinBitmap(pDC, m_bmpArrowOff, x, kArrowTop);
  if (nPhase >= 0 && nPhase <= 3 && view.bBlink) DrawSkinBitmap(pDC, m_bmpArrowOn, kArrowLeft[nPhase], kArrowTop);
}

void CMainPainter::DrawStatusText(DC* pDC, const std::string& strStatus) {
  ScopedDCState state(pDC);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(&m_fontText);
  pDC->SetTextColor(kTextColour);
  Rect rcCalc{0, 0, 0, 0};
  pDC->DrawText(strStatus, &rcCalc, DT_CALCRECT | kText);
  const int nHeight = rcCalc.bottom - rcCalc.top;
  // The block is centred on the middle of the status rectangle, each half
  // rounded toward zero.
  const int nTop = m_rcStatus.top + (m_rcStatus.bottom - m_rcStatus.top) / 2 - nHeight / 2;
  Rect rc{m_rcStatus.left, nTop, m_rcStatus.right, m_rcStatus.bottom};
  pDC->DrawText(strStatus, &rc, kText);
}

void CMainPainter::DrawErrorText(DC* pDC, SetupPhase phase) {
  ScopedDCState state(pDC);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(&m_fontText);
  pDC->SetTextColor(kTextColour);
  if (phase == SetupPhase::kInstall) {
    Rect rcFirst = m_rcStatus;
    Rect rcCalc = m_rcStatus;
    const int nFirstHeight = pDC->DrawText(kErrorTextInstall, &rcCalc, DT_CALCRECT);
    pDC->DrawText(kErrorTextInstall, &rcFirst, 0);

    // The second line is put together from four pieces, each as wide as
    // it measures, so the contacts can have fonts and colours of their own.
    struct Piece {
      const Font* pFont;
      COLORREF crColour;
      std::string text;
    };
    const Piece pieces[] = {
        {&m_fontText, kTextColour, kErrorContactsBegin},
        {&m_fontBoldCount, kPhoneColour, m_strSupportPhone + ", "},
        {&m_fontLink, kEmailColour, m_strSupportEmail},
        {&m_fontText, kTextColour, kErrorContactsEnd},
    };
    int x = m_rcStatus.left;
    const int y = m_rcStatus.top + nFirstHeight + 4;
    for (const Piece& piece : pieces) {
      pDC->SelectObject(piece.pFont);
      pDC->SetTextColor(piece.crColour);
      Rect rc{x, y, x, y};
      pDC->DrawText(piece.text, &rc, DT_CALCRECT | kText);
      // Each rectangle is exactly the piece's cell; the address's underline
      // and the descenders reach just below it and must not be cut off.
      pDC->DrawText(piece.text, &rc, DT_NOCLIP | kText);
      x = rc.right;
    }
  } else if (phase < SetupPhase::kInstall) {
    Rect rc = m_rcStatus;
    pDC->DrawText(kErrorTextAnalysis, &rc, 0);
  }
}

void CMainPainter::DrawMarqueeRow(DC* pDC, const CMainView& view, int& nMarqueeOffset) {
  if (view.run.m_bErrorMode) {
    StretchFill(pDC, m_bmpErrorFill, kMarqueeBar);
    DrawFailedMark(pDC, 294);
    return;
  }
  if (nMarqueeOffset > kBarWidth) nMarqueeOffset = kMarqueeRestart;
  const int x0 = kBarLeft + nMarqueeOffset;
  const int x1 = x0 + kMarqueeBlock;
  StretchFill(pDC, m_bmpFill, {std::max(x0, kBarLeft), kMarqueeBar.top, std::min(x1, kBarRight), kMarqueeBar.bottom});
}

void CMainPainter::DrawCountRow(DC* pDC, const CMainView& view) {
  if (view.run.m_bErrorMode) {
    StretchFill(pDC, m_bmpErrorFill, kCountBar);
    DrawFailedMark(pDC, 281);
    return;
  }
  const CSetupState& run = view.run;
  const int nFill = FillWidth(run.m_nCountCurrent, run.m_nCountTotal);
  StretchFill(pDC, m_bmpFill, {kBarLeft, kCountBar.top, kBarLeft + nFill, kCountBar.bottom});

  ScopedDCState state(pDC);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(&m_fontBoldCount);
  pDC->SetTextColor(kLabelColour);
  const int nLabelWidth = MeasureLine(pDC, run.m_strCountLabel, DT_SINGLELINE | kText);
  Rect rcLabel{kBarLeft, kCountLabel.top, kBarLeft + nLabelWidth, kCountLabel.bottom};
  pDC->DrawText(run.m_strCountLabel, &rcLabel, DT_SINGLELINE | kText);
  pDC->SetTextColor(kCountColour);
  Rect rcCount{kBarLeft + nLabelWidth + 4, kCountLabel.top, kBarRight, kCountLabel.bottom};
  pDC->DrawText(run.m_strCountText, &rcCount, DT_SINGLELINE | kText);
}

void CMainPainter::DrawPercentRow(DC* pDC, const CMainView& view) {
  if (view.run.m_bErrorMode) {
    StretchFill(pDC, m_bmpErrorFill, kPercentBar);
    DrawFailedMark(pDC, 326);
    return;
  }
  const CSetupState& run = view.run;
  const int nFill = FillWidth(run.m_nPercentDone, run.m_nPercentTotal);
  StretchFill(pDC, m_bmpFill, {kBarLeft, kPercentBar.top, kBarLeft + nFill, kPercentBar.bottom});

  ScopedDCState state(pDC);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(&m_fontBoldPercent);
  pDC->SetTextColor(kLabelColour);
  const int nLabelWidth = MeasureLine(pDC, run.m_strPercentLabel, DT_SINGLELINE | kText);
  Rect rcLabel{kBarLeft, kPercentLabel.top, kBarLeft + nLabelWidth, kPercentLabel.bottom};
  pDC->DrawText(run.m_strPercentLabel, &rcLabel, DT_SINGLELINE | kText);

  pDC->SetTextColor(kPercentColour);
  const int nTextLeft = kBarLeft + nLabelWidth + 4;
  const int nTextWidth = MeasureLine(pDC, run.m_strPercentText, DT_SINGLELINE | kText);
  Rect rcText{nTextLeft, kPercentLabel.top, nTextLeft + nTextWidth, kPercentLabel.bottom};
  pDC->DrawText(run.m_strPercentText, &rcText, DT_SINGLELINE | kText);

  // The sub-label (a file name) stands right-aligned at the bar's end and
  // gives way with an ellipsis where it would run into the percent text.
  pDC->SelectObject(&m_fontSmall);
  pDC->SetTextColor(kLabelColour);
  Rect rcSub{nTextLeft + nTextWidth + 4, kPercentLabel.top, kBarRight, kPercentLabel.bottom};
  if (rcSub.right > rcSub.left)
    pDC->DrawText(run.m_strPercentSubLabel, &rcSub, DT_SINGLELINE | DT_RIGHT | DT_WORD_ELLIPSIS | kText);
}

void CMainPainter::DrawFailedMark(DC* pDC, int nTop) {
  DrawSkinBitmap(pDC, m_bmpErrorMark, kBarLeft, nTop);
  const Size mark = m_bmpErrorMark.IsNull() ? Size{17, 17} : m_bmpErrorMark.GetSize();
  ScopedDCState state(pDC);
  pDC->SetBkMode(TRANSPARENT);
  pDC->SelectObject(&m_fontBoldPercent);
  pDC->SetTextColor(kLabelColour);
  const int nWidth = MeasureLine(pDC, kFailedWord, DT_SINGLELINE | DT_VCENTER);
  const int nLeft = kBarLeft + 4 + mark.cx;
  Rect rc{nLeft, nTop, nLeft + nWidth, nTop + mark.cy};
  pDC->DrawText(kFailedWord, &rc, DT_SINGLELINE | DT_VCENTER);
}

void CMainPainter::StretchFill(DC* pDC, Bitmap& fill, const Rect& rc) {
  if (fill.IsNull() || rc.right <= rc.left || rc.bottom <= rc.top) return;
  const Size size = fill.GetSize();
  DC memDC;
  memDC.CreateCompatibleDC(pDC);
  ScopedSelectBitmap select(&memDC, &fill);
  pDC->StretchBlt(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, &memDC, 0, 0, size.cx, size.cy, SRCCOPY);
}
