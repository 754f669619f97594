#include "ui/BufferDC.h"

using namespace platform::gui;

CBufferDC::CBufferDC(DC* pDC, const Rect* pRect) : m_pDC(pDC), m_bMemDC(pDC && !pDC->IsPrinting()) {
  if (!pDC) return;
  if (pRect) m_rect = *pRect;
  else pDC->GetClipBox(&m_rect);

  if (m_bMemDC) {
    CreateCompatibleDC(pDC);
    pDC->LPtoDP(&m_rect);
    m_bitmap.CreateCompatibleBitmap(pDC, Width(m_rect), Height(m_rect));
    m_pOldBitmap = SelectObject(&m_bitmap);
    pDC->DPtoLP(&m_rect);
    // Drawing keeps the paint DC's coordinates: the bitmap's (0, 0) is the
    // rectangle's top-left corner.
    SetWindowOrg(m_rect.left, m_rect.top);
  }
  FillSolidRect(m_rect, pDC->GetBkColor());
}

CBufferDC::~CBufferDC() {
  if (!m_pDC) return;
  if (m_bMemDC) {
    m_pDC->BitBlt(m_rect.left, m_rect.top, Width(m_rect), Height(m_rect), this, m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_pOldBitmap);
  }
  DeleteDC();
  m_bitmap.DeleteObject();
}
