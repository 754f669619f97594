#include "platform/gui/DC.h"

#include <string>

#include "platform/core/Wide_win32.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Font.h"
#include "platform/gui/GdiNative_win32.h"
#include "platform/gui/Icon.h"

// The device context over a real HDC. GDI keeps the drawing state (colours,
// mode, clip, origins, the selected objects) and saves it with SaveDC; the
// object keeps only which Font and Bitmap objects are selected, so that
// SelectObject can hand back the previous C++ object as MFC does.
namespace platform::gui {

namespace {

HDC Hdc(const NativeDC* native) { return native ? native->hdc : nullptr; }

// The icon size DrawIcon draws, whatever the system's metrics say.
constexpr int kIconSide = 32;

RECT ToRECT(const Rect& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }
Rect FromRECT(const RECT& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }

int RegionKind(int gdiKind) { return gdiKind == NULLREGION || gdiKind == ERROR ? NULLREGION : SIMPLEREGION; }

}  // namespace

DC::DC() = default;

DC::~DC() { DeleteDC(); }

BOOL DC::CreateCompatibleDC(const DC* pDC) {
  if (m_pNative) return FALSE;
  HDC hdc = ::CreateCompatibleDC(pDC ? Hdc(pDC->m_pNative) : nullptr);
  if (!hdc) return FALSE;
  m_pNative = new NativeDC{hdc, true, ::GetCurrentObject(hdc, OBJ_BITMAP), nullptr};
  m_state = State{};
  m_saved.clear();
  m_pBitmap = nullptr;
  // A new DC's font is the system font; the layer's DCs start with the
  // dialogs' default font on both systems.
  if (const NativeFont* font = DefaultGuiFont().Native()) m_pNative->originalFont = ::SelectObject(hdc, font->handle);
  // HALFTONE would blend neighbouring pixels and BLACKONWHITE would AND the
  // rows a shrinking blit drops: a stretched picture takes whole pixels.
  ::SetStretchBltMode(hdc, COLORONCOLOR);
  return TRUE;
}

BOOL DC::DeleteDC() {
  if (!m_pNative) return FALSE;
  if (m_pNative->owned) {
    ::SelectObject(m_pNative->hdc, m_pNative->originalBitmap);
    if (m_pNative->originalFont) ::SelectObject(m_pNative->hdc, m_pNative->originalFont);
    ::DeleteDC(m_pNative->hdc);
  }
  delete m_pNative;
  m_pNative = nullptr;
  m_pBitmap = nullptr;
  m_state = State{};
  m_saved.clear();
  return TRUE;
}

bool DC::IsNull() const { return m_pNative == nullptr; }

void DC::AttachNative(NativeSurfaceRef* pTarget) {
  DeleteDC();
  if (!pTarget || !pTarget->hdc) return;
  m_pNative = new NativeDC{pTarget->hdc, false, nullptr, nullptr};
}

Bitmap* DC::SelectObject(Bitmap* pBitmap) {
  Bitmap* previous = m_pBitmap;
  if (!m_pNative || !m_pNative->owned) return previous;
  HGDIOBJ handle = pBitmap && !pBitmap->IsNull() ? pBitmap->Native()->handle : m_pNative->originalBitmap;
  // GDI refuses a bitmap that another DC holds; this DC then keeps its own.
  if (!::SelectObject(m_pNative->hdc, handle)) return previous;
  m_pBitmap = pBitmap && !pBitmap->IsNull() ? pBitmap : nullptr;
  return previous;
}

const Font* DC::SelectObject(const Font* pFont) {
  const Font* previous = m_state.pFont;
  const Font& font = pFont && !pFont->IsNull() ? *pFont : DefaultGuiFont();
  if (m_pNative && font.Native()) ::SelectObject(m_pNative->hdc, font.Native()->handle);
  m_state.pFont = pFont && !pFont->IsNull() ? pFont : nullptr;
  return previous;
}

const Font& DC::CurrentFont() const { return m_state.pFont ? *m_state.pFont : DefaultGuiFont(); }

COLORREF DC::SetTextColor(COLORREF crColor) { return m_pNative ? ::SetTextColor(m_pNative->hdc, crColor) : CLR_INVALID; }
COLORREF DC::GetTextColor() const { return m_pNative ? ::GetTextColor(m_pNative->hdc) : CLR_INVALID; }
COLORREF DC::SetBkColor(COLORREF crColor) { return m_pNative ? ::SetBkColor(m_pNative->hdc, crColor) : CLR_INVALID; }
COLORREF DC::GetBkColor() const { return m_pNative ? ::GetBkColor(m_pNative->hdc) : CLR_INVALID; }
int DC::SetBkMode(int nBkMode) { return m_pNative ? ::SetBkMode(m_pNative->hdc, nBkMode) : 0; }
int DC::GetBkMode() const { return m_pNative ? ::GetBkMode(m_pNative->hdc) : 0; }

int DC::SaveDC() {
  if (!m_pNative) return 0;
  const int level = ::SaveDC(m_pNative->hdc);
  if (level > 0) {
    m_saved.resize(static_cast<size_t>(level - 1));
    m_saved.push_back(m_state);
  }
  return level;
}

BOOL DC::RestoreDC(int nSavedDC) {
  if (!m_pNative) return FALSE;
  const int depth = static_cast<int>(m_saved.size());
  const int level = nSavedDC < 0 ? depth + nSavedDC + 1 : nSavedDC;
  if (level < 1 || level > depth) return FALSE;
  if (!::RestoreDC(m_pNative->hdc, level)) return FALSE;
  m_state = m_saved[static_cast<size_t>(level - 1)];
  m_saved.resize(static_cast<size_t>(level - 1));
  // GDI's saved state holds the selected bitmap too; the layer's does not
  // (a bitmap has its own guard), so the bitmap selected now stays.
  if (m_pNative->owned)
    ::SelectObject(m_pNative->hdc, m_pBitmap ? m_pBitmap->Native()->handle : m_pNative->originalBitmap);
  return TRUE;
}

Point DC::SetWindowOrg(int x, int y) {
  POINT old{};
  if (m_pNative) ::SetWindowOrgEx(m_pNative->hdc, x, y, &old);
  return {old.x, old.y};
}

Point DC::GetWindowOrg() const {
  POINT pt{};
  if (m_pNative) ::GetWindowOrgEx(m_pNative->hdc, &pt);
  return {pt.x, pt.y};
}

Point DC::SetViewportOrg(int x, int y) {
  POINT old{};
  if (m_pNative) ::SetViewportOrgEx(m_pNative->hdc, x, y, &old);
  return {old.x, old.y};
}

Point DC::GetViewportOrg() const {
  POINT pt{};
  if (m_pNative) ::GetViewportOrgEx(m_pNative->hdc, &pt);
  return {pt.x, pt.y};
}

void DC::LPtoDP(Rect* pRect) const {
  if (!m_pNative || !pRect) return;
  POINT pts[2] = {{pRect->left, pRect->top}, {pRect->right, pRect->bottom}};
  ::LPtoDP(m_pNative->hdc, pts, 2);
  *pRect = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
}

void DC::DPtoLP(Rect* pRect) const {
  if (!m_pNative || !pRect) return;
  POINT pts[2] = {{pRect->left, pRect->top}, {pRect->right, pRect->bottom}};
  ::DPtoLP(m_pNative->hdc, pts, 2);
  *pRect = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
}

int DC::GetClipBox(Rect* pRect) const {
  RECT box{};
  const int kind = m_pNative ? ::GetClipBox(m_pNative->hdc, &box) : ERROR;
  if (pRect) *pRect = kind == ERROR ? Rect{} : FromRECT(box);
  return RegionKind(kind);
}

int DC::IntersectClipRect(const Rect& rect) {
  if (!m_pNative) return NULLREGION;
  return RegionKind(::IntersectClipRect(m_pNative->hdc, rect.left, rect.top, rect.right, rect.bottom));
}

void DC::SelectClipRgnNone() {
  if (m_pNative) ::SelectClipRgn(m_pNative->hdc, nullptr);
}

BOOL DC::BitBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  // GDI mirrors a negative extent; the layer's contract refuses it.
  if (!m_pNative || dwRop != SRCCOPY || !pSrcDC || !pSrcDC->m_pNative || nWidth < 0 || nHeight < 0) return FALSE;
  if (nWidth == 0 || nHeight == 0) return TRUE;
  return ::BitBlt(m_pNative->hdc, x, y, nWidth, nHeight, pSrcDC->m_pNative->hdc, xSrc, ySrc, SRCCOPY);
}

BOOL DC::StretchBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop) {
  if (!m_pNative || dwRop != SRCCOPY || !pSrcDC || !pSrcDC->m_pNative || nWidth < 0 || nHeight < 0 ||
      nSrcWidth < 0 || nSrcHeight < 0)
    return FALSE;
  if (nWidth == 0 || nHeight == 0 || nSrcWidth == 0 || nSrcHeight == 0) return TRUE;
  return ::StretchBlt(m_pNative->hdc, x, y, nWidth, nHeight, pSrcDC->m_pNative->hdc, xSrc, ySrc, nSrcWidth,
                      nSrcHeight, SRCCOPY);
}

void DC::FillSolidRect(const Rect& rect, COLORREF crColor) {
  if (!m_pNative) return;
  // A brush of its own: MFC's ExtTextOut way would leave the DC's
  // background colour changed.
  HBRUSH brush = ::CreateSolidBrush(crColor);
  if (!brush) return;
  const RECT rc = ToRECT(rect);
  ::FillRect(m_pNative->hdc, &rc, brush);
  ::DeleteObject(brush);
}

BOOL DC::DrawIcon(int x, int y, const Icon* pIcon) {
  if (!m_pNative || !pIcon || pIcon->IsNull()) return FALSE;
  return ::DrawIconEx(m_pNative->hdc, x, y, pIcon->Native()->handle, kIconSide, kIconSide, 0, nullptr, DI_NORMAL);
}

COLORREF DC::GetPixel(int x, int y) const {
  if (!m_pNative) return CLR_INVALID;
  // A memory DC reads its bitmap: GDI's GetPixel answers CLR_INVALID for a
  // pixel outside the clip region, which the layer's contract does not.
  if (m_pNative->owned) return m_pBitmap ? m_pBitmap->GetPixel(x, y) : CLR_INVALID;
  POINT pt{x, y};
  ::DPtoLP(m_pNative->hdc, &pt, 1);
  return ::GetPixel(m_pNative->hdc, pt.x, pt.y);
}

BOOL DC::TextOut(int x, int y, std::string_view text) {
  if (!m_pNative) return FALSE;
  const std::wstring wide = Widen(text);
  return ::TextOutW(m_pNative->hdc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

Size DC::GetTextExtent(std::string_view text) const {
  if (!m_pNative) return {};
  const std::wstring wide = Widen(text);
  SIZE size{};
  ::GetTextExtentPoint32W(m_pNative->hdc, wide.c_str(), static_cast<int>(wide.size()), &size);
  TEXTMETRIC tm{};
  ::GetTextMetricsW(m_pNative->hdc, &tm);
  // One line: the font's cell height, also for empty text.
  return {size.cx, tm.tmHeight};
}

BOOL DC::GetTextMetrics(TEXTMETRIC* pMetrics) const {
  if (!m_pNative || !pMetrics) return FALSE;
  return ::GetTextMetricsW(m_pNative->hdc, pMetrics);
}

int DC::DrawText(std::string_view text, Rect* pRect, UINT nFormat) {
  if (!m_pNative || !pRect) return 0;
  const std::wstring wide = Widen(text);
  RECT rc = ToRECT(*pRect);
  const int height = ::DrawTextW(m_pNative->hdc, wide.c_str(), static_cast<int>(wide.size()), &rc, nFormat);
  if (nFormat & DT_CALCRECT) *pRect = FromRECT(rc);
  return height;
}

}  // namespace platform::gui
