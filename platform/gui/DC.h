#pragma once

#include <string_view>
#include <vector>

#include "platform/gui/WinUser.h"

namespace platform::gui {

class Bitmap;
class Font;
class Icon;
struct NativeDC;
struct NativeSurfaceRef;

// A device context (HDC with its CDC owner) over cairo and pango.
//
// Coordinates are logical; the mapping mode is MM_TEXT, so a logical point
// is the device point moved by the window and viewport origins. The state
// (font, text and background colour, background mode, clip rectangle,
// origins) is saved and restored as a whole with SaveDC/RestoreDC.
//
// Three kinds exist: a paint DC (BeginPaint/PaintDC, over the window's
// surface during WM_PAINT), a memory DC (CreateCompatibleDC, drawing into
// the bitmap selected into it) and a DC over an image surface made for a
// window capture. All draw the same way, so painting code can be tested on
// memory DCs without a display. A DC is used on the thread that made it.
class DC {
 public:
  DC();
  virtual ~DC();
  DC(const DC&) = delete;
  DC& operator=(const DC&) = delete;

  // A memory DC "compatible" with pDC (which may be null). It draws only
  // once a bitmap is selected into it. FALSE if the DC already has a target.
  BOOL CreateCompatibleDC(const DC* pDC);
  // Releases the DC's target; the DC can be made again afterwards.
  BOOL DeleteDC();
  bool IsNull() const;
  // Printer DCs do not exist here.
  BOOL IsPrinting() const { return FALSE; }

  // Selects a bitmap (memory DCs only) or a font; returns the previous one
  // (null for the stock ones). A null or empty bitmap selects none.
  Bitmap* SelectObject(Bitmap* pBitmap);
  const Font* SelectObject(const Font* pFont);

  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF crColor);
  COLORREF GetBkColor() const;
  int SetBkMode(int nBkMode);
  int GetBkMode() const;

  // 1, 2, ... for the saved state; RestoreDC(-1) restores the last one,
  // RestoreDC(n) the n-th (dropping the later ones). FALSE for an unknown
  // level.
  int SaveDC();
  BOOL RestoreDC(int nSavedDC);

  Point SetWindowOrg(int x, int y);
  Point GetWindowOrg() const;
  Point SetViewportOrg(int x, int y);
  Point GetViewportOrg() const;
  void LPtoDP(Rect* pRect) const;
  void DPtoLP(Rect* pRect) const;

  // The smallest rectangle around what can be drawn (logical); the bitmap or
  // the window's invalid area, cut by the clip rectangle. Returns
  // NULLREGION (1) when it is empty, SIMPLEREGION (2) otherwise.
  int GetClipBox(Rect* pRect) const;
  int IntersectClipRect(const Rect& rect);
  // Drops the clip rectangle set through this DC.
  void SelectClipRgnNone();

  // Copies cx x cy pixels from pSrcDC (a DC with a target, typically a
  // memory DC) at (xSrc, ySrc) to (x, y). Only SRCCOPY is supported; the
  // part of the rectangle that lies outside the source is left untouched.
  // FALSE for another raster operation, a source without target, or a
  // negative extent.
  BOOL BitBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
  // Scales the source rectangle onto the destination rectangle, nearest
  // neighbour (every destination pixel takes exactly one source pixel).
  BOOL StretchBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                  int nSrcHeight, DWORD dwRop);
  void FillSolidRect(const Rect& rect, COLORREF crColor);
  // Draws the icon image closest to 32 x 32 at (x, y).
  BOOL DrawIcon(int x, int y, const Icon* pIcon);
  // The colour of one device pixel of the target (CLR_INVALID outside it or
  // when the target cannot be read).
  COLORREF GetPixel(int x, int y) const;

  // One line at (x, y), the top-left corner of its cell, in the selected
  // font and text colour; with OPAQUE the cell is filled with the
  // background colour first.
  BOOL TextOut(int x, int y, std::string_view text);
  // Width of the text and height of the font's cell (one line; line breaks
  // are not interpreted).
  Size GetTextExtent(std::string_view text) const;
  BOOL GetTextMetrics(TEXTMETRIC* pMetrics) const;
  // DrawText with DT_SINGLELINE, DT_VCENTER, DT_BOTTOM, DT_RIGHT, DT_CENTER,
  // DT_WORDBREAK, DT_WORD_ELLIPSIS, DT_END_ELLIPSIS, DT_NOCLIP, DT_NOPREFIX
  // and DT_CALCRECT. Without DT_SINGLELINE every "\n" (or "\r\n") starts a
  // line; DT_WORDBREAK also breaks lines at spaces to fit the width (a word
  // wider than the rectangle is broken between characters). Lines are one
  // cell apart. Unless DT_NOCLIP, nothing is drawn outside the rectangle.
  // "&" marks the next character as underlined, "&&" draws "&", unless
  // DT_NOPREFIX. With DT_CALCRECT nothing is drawn and the rectangle's
  // right and bottom are set to what the text needs (the width is kept with
  // DT_WORDBREAK). Returns the height of the text, 0 when nothing fits.
  int DrawText(std::string_view text, Rect* pRect, UINT nFormat);

  NativeDC* Native() const { return m_pNative; }
  // Makes this DC draw onto a borrowed cairo context (a paint DC); used by
  // the window layer only.
  void AttachNative(NativeSurfaceRef* pTarget);

 protected:
  struct State {
    const Font* pFont = nullptr;
    COLORREF crText = RGB(0, 0, 0);
    COLORREF crBk = RGB(255, 255, 255);
    int nBkMode = OPAQUE;
    bool bClip = false;
    Rect rcClip;  // device coordinates
    Point ptWindowOrg;
    Point ptViewportOrg;
  };

  const Font& CurrentFont() const;
  int ToDeviceX(int x) const { return x - m_state.ptWindowOrg.x + m_state.ptViewportOrg.x; }
  int ToDeviceY(int y) const { return y - m_state.ptWindowOrg.y + m_state.ptViewportOrg.y; }

 private:
  NativeDC* m_pNative = nullptr;
  Bitmap* m_pBitmap = nullptr;
  State m_state;
  std::vector<State> m_saved;
};

// Saves a DC's state (SaveDC) and restores exactly that level when the
// guard goes, on every way out of the scope: painting code changes font,
// colours and clip freely inside it and leaves the DC as it found it.
class ScopedDCState {
 public:
  explicit ScopedDCState(DC* pDC) : m_pDC(pDC), m_nSaved(pDC->SaveDC()) {}
  ~ScopedDCState() { m_pDC->RestoreDC(m_nSaved); }
  ScopedDCState(const ScopedDCState&) = delete;
  ScopedDCState& operator=(const ScopedDCState&) = delete;

 private:
  DC* m_pDC;
  int m_nSaved;
};

// Selects a bitmap into a memory DC and selects the previous one back when
// the guard goes. The bitmap is not part of the saved state (SaveDC), so it
// has a guard of its own.
class ScopedSelectBitmap {
 public:
  ScopedSelectBitmap(DC* pDC, Bitmap* pBitmap) : m_pDC(pDC), m_pOld(pDC->SelectObject(pBitmap)) {}
  ~ScopedSelectBitmap() { m_pDC->SelectObject(m_pOld); }
  ScopedSelectBitmap(const ScopedSelectBitmap&) = delete;
  ScopedSelectBitmap& operator=(const ScopedSelectBitmap&) = delete;

 private:
  DC* m_pDC;
  Bitmap* m_pOld;
};

}  // namespace platform::gui
