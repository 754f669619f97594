#include "ui/ButtonSkin.h"

#include "platform/gui/DC.h"

using namespace platform::gui;

CButtonSkin::~CButtonSkin() {
  m_bmpNormal.DeleteObject();
  m_bmpPressed.DeleteObject();
  m_bmpHover.DeleteObject();
  m_bmpDisabled.DeleteObject();
  m_nNormalWidth = m_nNormalHeight = m_nPressedWidth = m_nPressedHeight = 0;
  m_nHoverWidth = m_nHoverHeight = m_nDisabledWidth = m_nDisabledHeight = 0;
}

int CButtonSkin::SetBitmaps(UINT nIDNormal, UINT nIDPressed, UINT nIDHover, UINT nIDDisabled) {
  struct Slot {
    UINT nID;
    Bitmap* pBitmap;
    int* pWidth;
    int* pHeight;
  };
  const Slot slots[] = {{nIDNormal, &m_bmpNormal, &m_nNormalWidth, &m_nNormalHeight},
                        {nIDPressed, &m_bmpPressed, &m_nPressedWidth, &m_nPressedHeight},
                        {nIDHover, &m_bmpHover, &m_nHoverWidth, &m_nHoverHeight},
                        {nIDDisabled, &m_bmpDisabled, &m_nDisabledWidth, &m_nDisabledHeight}};
  for (const Slot& slot : slots) {
    Bitmap loaded;
    if (!loaded.LoadBitmap(slot.nID)) continue;
    *slot.pBitmap = std::move(loaded);
    BITMAP bm;
    if (!slot.pBitmap->GetObject(&bm)) return -1;
    *slot.pWidth = bm.bmWidth;
    *slot.pHeight = bm.bmHeight;
  }
  return 0;
}

void CButtonSkin::PreSubclassWindow() {
  // Owner-drawn, also when the template made it the default button.
  SetWindowLong(GWL_STYLE, static_cast<intptr_t>((GetStyle() & ~BS_TYPEMASK) | BS_OWNERDRAW));
  Button::PreSubclassWindow();
}

void CButtonSkin::DrawItem(platform::gui::DRAWITEMSTRUCT* lpDrawItemStruct) {
  if (!lpDrawItemStruct || !lpDrawItemStruct->pDC) return;
  Bitmap* pPicture = &m_bmpNormal;
  int nWidth = m_nNormalWidth, nHeight = m_nNormalHeight;
  if (lpDrawItemStruct->itemState & ODS_DISABLED) {
    pPicture = &m_bmpDisabled, nWidth = m_nDisabledWidth, nHeight = m_nDisabledHeight;
  } else if (m_bPressed) {
    pPicture = &m_bmpPressed, nWidth = m_nPressedWidth, nHeight = m_nPressedHeight;
  } else if (m_bHover) {
    pPicture = &m_bmpHover, nWidth = m_nHoverWidth, nHeight = m_nHoverHeight;
  }
  if (pPicture->IsNull()) return;

  SetWindowPos(HWND_TOP, 0, 0, nWidth, nHeight,
               SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
  DC memDC;
  memDC.CreateCompatibleDC(lpDrawItemStruct->pDC);
  ScopedSelectBitmap select(&memDC, pPicture);
  lpDrawItemStruct->pDC->BitBlt(0, 0, nWidth, nHeight, &memDC, 0, 0, SRCCOPY);
}

BOOL CButtonSkin::OnEraseBkgnd(DC*) { return TRUE; }

void CButtonSkin::OnLButtonDown(UINT nFlags, Point point) {
  m_bPressed = 1;
  Invalidate(TRUE);
  Button::OnLButtonDown(nFlags, point);
}

void CButtonSkin::OnLButtonUp(UINT nFlags, Point point) {
  m_bPressed = 0;
  Invalidate(TRUE);
  Button::OnLButtonUp(nFlags, point);
}

void CButtonSkin::OnMouseMove(UINT nFlags, Point point) {
  if (m_bHover == 0) {
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_HOVER | TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    tme.dwHoverTime = 1;
    if (TrackMouseEvent(&tme)) {
      m_bHover = 1;
      Invalidate(TRUE);
    }
  }
  Button::OnMouseMove(nFlags, point);
}

void CButtonSkin::OnMouseLeave() {
  m_bHover = 0;
  Invalidate(TRUE);
}
