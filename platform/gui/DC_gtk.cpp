#include "platform/gui/DC.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Font.h"
#include "platform/gui/GdiNative_gtk.h"
#include "platform/gui/Icon.h"

namespace platform::gui {

namespace {

constexpr std::string_view kEllipsis = "...";

void SetSourceColour(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

size_t NextCharEnd(std::string_view s, size_t at) {
  ++at;
  while (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) ++at;
  return at;
}

// One line as it is drawn: the text after prefix processing and the byte
// ranges that the "&" prefix underlines.
struct TextLine {
  std::string text;
  std::vector<std::pair<size_t, size_t>> underlined;
  int width = 0;
};

TextLine StripPrefixes(std::string_view raw, bool process) {
  TextLine line;
  if (!process) {
    line.text = raw;
    return line;
  }
  for (size_t i = 0; i < raw.size();) {
    if (raw[i] == '&' && i + 1 < raw.size()) {
      if (raw[i + 1] == '&') {
        line.text += '&';
        i += 2;
        continue;
      }
      const size_t end = NextCharEnd(raw, i + 1);
      line.underlined.emplace_back(line.text.size(), line.text.size() + (end - i - 1));
      line.text.append(raw.substr(i + 1, end - i - 1));
      i = end;
      continue;
    }
    if (raw[i] == '&') {  // a lone "&" at the end draws nothing
      ++i;
      continue;
    }
    line.text += raw[i++];
  }
  return line;
}

// Measures and draws lines of one font; owns the pango layout it reuses.
class LineRenderer {
 public:
  explicit LineRenderer(const NativeFont* font) : m_font(font) {
    m_layout = pango_layout_new(SharedPangoContext());
    pango_layout_set_single_paragraph_mode(m_layout, TRUE);
    if (font) pango_layout_set_font_description(m_layout, font->desc);
  }
  ~LineRenderer() { g_object_unref(m_layout); }
  LineRenderer(const LineRenderer&) = delete;
  LineRenderer& operator=(const LineRenderer&) = delete;

  int Measure(std::string_view text) {
    SetText(text, {});
    int width = 0;
    pango_layout_get_size(m_layout, &width, nullptr);
    return (width + PANGO_SCALE - 1) / PANGO_SCALE;
  }

  void Draw(cairo_t* cr, const TextLine& line, double x, double baseline) {
    SetText(line.text, line.underlined);
    cairo_move_to(cr, x, baseline);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(m_layout, 0));
  }

 private:
  void SetText(std::string_view text, const std::vector<std::pair<size_t, size_t>>& underlined) {
    pango_layout_set_text(m_layout, text.data(), static_cast<int>(text.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (m_font && m_font->underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    for (const auto& [begin, end] : underlined) {
      if (begin >= text.size()) continue;
      PangoAttribute* attr = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
      attr->start_index = static_cast<guint>(begin);
      attr->end_index = static_cast<guint>(std::min(end, text.size()));
      pango_attr_list_insert(attrs, attr);
    }
    pango_layout_set_attributes(m_layout, attrs);
    pango_attr_list_unref(attrs);
  }

  const NativeFont* m_font;
  PangoLayout* m_layout = nullptr;
};

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// Greedy word wrap of one paragraph at spaces; a word wider than the width
// is broken between characters, as GDI does.
std::vector<std::string> WrapParagraph(LineRenderer& renderer, std::string_view paragraph, int width) {
  std::vector<std::string> lines;
  std::string current;
  size_t at = 0;
  while (at < paragraph.size()) {
    size_t spaceEnd = at;
    while (spaceEnd < paragraph.size() && paragraph[spaceEnd] == ' ') ++spaceEnd;
    size_t wordEnd = spaceEnd;
    while (wordEnd < paragraph.size() && paragraph[wordEnd] != ' ') ++wordEnd;
    const std::string_view spaces = paragraph.substr(at, spaceEnd - at);
    std::string_view word = paragraph.substr(spaceEnd, wordEnd - spaceEnd);
    at = wordEnd;
    if (word.empty()) {  // trailing spaces
      current.append(spaces);
      continue;
    }
    const std::string candidate = current + std::string(spaces) + std::string(word);
    if (renderer.Measure(TrimSpaces(candidate)) <= width || TrimSpaces(current).empty()) {
      if (renderer.Measure(TrimSpaces(candidate)) <= width) {
        current = candidate;
        continue;
      }
      // Nothing on the line yet and the word alone is too wide.
      current.clear();
    } else {
      lines.emplace_back(TrimSpaces(current));
      current.clear();
    }
    while (!word.empty()) {
      if (renderer.Measure(word) <= width) {
        current = std::string(word);
        break;
      }
      size_t cut = NextCharEnd(word, 0);
      for (size_t next = NextCharEnd(word, cut); next <= word.size(); next = NextCharEnd(word, next)) {
        if (renderer.Measure(word.substr(0, next)) > width) break;
        cut = next;
        if (next == word.size()) break;
      }
      lines.emplace_back(word.substr(0, cut));
      word.remove_prefix(cut);
    }
  }
  lines.emplace_back(TrimSpaces(current));
  return lines;
}

// Shortens a line that is wider than `width` so that it ends in "...":
// at a word boundary when one fits (DT_WORD_ELLIPSIS), else between
// characters.
void AddEllipsis(LineRenderer& renderer, TextLine& line, int width, bool atWord) {
  if (line.width <= width) return;
  const std::string_view text = line.text;
  if (atWord) {
    for (size_t space = text.rfind(' '); space != std::string_view::npos && space > 0;
         space = text.rfind(' ', space - 1)) {
      const std::string candidate = std::string(TrimSpaces(text.substr(0, space))) + std::string(kEllipsis);
      if (!TrimSpaces(text.substr(0, space)).empty() && renderer.Measure(candidate) <= width) {
        line.text = candidate;
        line.width = renderer.Measure(candidate);
        return;
      }
    }
  }
  std::string best(kEllipsis);
  for (size_t next = NextCharEnd(text, 0); next <= text.size(); next = NextCharEnd(text, next)) {
    const std::string candidate = std::string(text.substr(0, next)) + std::string(kEllipsis);
    if (renderer.Measure(candidate) > width) break;
    best = candidate;
    if (next == text.size()) break;
  }
  line.text = best;
  line.width = renderer.Measure(best);
}

}  // namespace

DC::DC() = default;

DC::~DC() { DeleteDC(); }

BOOL DC::CreateCompatibleDC(const DC*) {
  if (m_pNative) return FALSE;
  m_pNative = new NativeDC{nullptr, true, true};
  return TRUE;
}

BOOL DC::DeleteDC() {
  if (!m_pNative) return FALSE;
  if (m_pNative->cr) cairo_destroy(m_pNative->cr);
  delete std::exchange(m_pNative, nullptr);
  m_pBitmap = nullptr;
  m_state = State{};
  m_saved.clear();
  return TRUE;
}

bool DC::IsNull() const { return m_pNative == nullptr; }

void DC::AttachNative(NativeSurfaceRef* pTarget) {
  DeleteDC();
  m_pNative = new NativeDC{pTarget && pTarget->cr ? cairo_reference(pTarget->cr) : nullptr, true, false};
}

Bitmap* DC::SelectObject(Bitmap* pBitmap) {
  if (!m_pNative || !m_pNative->memory) return nullptr;
  Bitmap* previous = m_pBitmap;
  if (m_pNative->cr) cairo_destroy(std::exchange(m_pNative->cr, nullptr));
  m_pBitmap = nullptr;
  if (pBitmap && !pBitmap->IsNull()) {
    m_pNative->cr = cairo_create(pBitmap->Native()->surface);
    m_pBitmap = pBitmap;
  }
  return previous;
}

const Font* DC::SelectObject(const Font* pFont) {
  const Font* previous = m_state.pFont;
  m_state.pFont = pFont && !pFont->IsNull() ? pFont : nullptr;
  return previous;
}

COLORREF DC::SetTextColor(COLORREF crColor) { return std::exchange(m_state.crText, crColor); }
COLORREF DC::GetTextColor() const { return m_state.crText; }
COLORREF DC::SetBkColor(COLORREF crColor) { return std::exchange(m_state.crBk, crColor); }
COLORREF DC::GetBkColor() const { return m_state.crBk; }
int DC::SetBkMode(int nBkMode) {
  if (nBkMode != TRANSPARENT && nBkMode != OPAQUE) return 0;
  return std::exchange(m_state.nBkMode, nBkMode);
}
int DC::GetBkMode() const { return m_state.nBkMode; }

int DC::SaveDC() {
  m_saved.push_back(m_state);
  return static_cast<int>(m_saved.size());
}

BOOL DC::RestoreDC(int nSavedDC) {
  const int count = static_cast<int>(m_saved.size());
  const int level = nSavedDC < 0 ? count + 1 + nSavedDC : nSavedDC;
  if (level < 1 || level > count) return FALSE;
  m_state = m_saved[level - 1];
  m_saved.resize(level - 1);
  return TRUE;
}

Point DC::SetWindowOrg(int x, int y) { return std::exchange(m_state.ptWindowOrg, Point{x, y}); }
Point DC::GetWindowOrg() const { return m_state.ptWindowOrg; }
Point DC::SetViewportOrg(int x, int y) { return std::exchange(m_state.ptViewportOrg, Point{x, y}); }
Point DC::GetViewportOrg() const { return m_state.ptViewportOrg; }

void DC::LPtoDP(Rect* pRect) const {
  if (!pRect) return;
  *pRect = {ToDeviceX(pRect->left), ToDeviceY(pRect->top), ToDeviceX(pRect->right), ToDeviceY(pRect->bottom)};
}

void DC::DPtoLP(Rect* pRect) const {
  if (!pRect) return;
  const int dx = m_state.ptWindowOrg.x - m_state.ptViewportOrg.x;
  const int dy = m_state.ptWindowOrg.y - m_state.ptViewportOrg.y;
  *pRect = OffsetRect(*pRect, dx, dy);
}

int DC::GetClipBox(Rect* pRect) const {
  Rect box;
  if (m_pNative && m_pNative->cr) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(m_pNative->cr, &x1, &y1, &x2, &y2);
    box = {static_cast<int>(std::floor(x1)), static_cast<int>(std::floor(y1)), static_cast<int>(std::ceil(x2)),
           static_cast<int>(std::ceil(y2))};
    if (m_state.bClip) box = IntersectRect(box, m_state.rcClip);
  }
  DPtoLP(&box);
  if (pRect) *pRect = box;
  return IsRectEmpty(box) ? NULLREGION : SIMPLEREGION;
}

int DC::IntersectClipRect(const Rect& rect) {
  Rect device = rect;
  LPtoDP(&device);
  m_state.rcClip = m_state.bClip ? IntersectRect(m_state.rcClip, device) : device;
  m_state.bClip = true;
  return IsRectEmpty(m_state.rcClip) ? NULLREGION : SIMPLEREGION;
}

void DC::SelectClipRgnNone() { m_state.bClip = false; }

namespace {

// Saves the cairo state and applies the DC's clip rectangle; restores on exit.
class ClipScope {
 public:
  ClipScope(cairo_t* cr, bool clip, const Rect& rc) : m_cr(cr) {
    cairo_save(cr);
    if (clip) {
      cairo_rectangle(cr, rc.left, rc.top, Width(rc), Height(rc));
      cairo_clip(cr);
    }
  }
  ~ClipScope() { cairo_restore(m_cr); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  cairo_t* m_cr;
};

}  // namespace

BOOL DC::BitBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
  if (dwRop != SRCCOPY || !m_pNative || !m_pNative->cr || !pSrcDC || nWidth < 0 || nHeight < 0) return FALSE;
  const NativeDC* src = pSrcDC->m_pNative;
  if (!src || !src->cr || !src->memory) return FALSE;
  cairo_surface_t* surface = cairo_get_target(src->cr);
  const int sx = pSrcDC->ToDeviceX(xSrc), sy = pSrcDC->ToDeviceY(ySrc);
  const int dx = ToDeviceX(x), dy = ToDeviceY(y);
  // Only the part of the source rectangle that lies inside the source
  // bitmap is copied.
  const Rect source = IntersectRect(
      {sx, sy, sx + nWidth, sy + nHeight},
      {0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)});
  if (IsRectEmpty(source)) return TRUE;
  cairo_t* cr = m_pNative->cr;
  ClipScope scope(cr, m_state.bClip, m_state.rcClip);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, surface, dx - sx, dy - sy);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, dx + (source.left - sx), dy + (source.top - sy), Width(source), Height(source));
  cairo_fill(cr);
  return TRUE;
}

BOOL DC::StretchBlt(int x, int y, int nWidth, int nHeight, const DC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop) {
  if (dwRop != SRCCOPY || !m_pNative || !m_pNative->cr || !pSrcDC) return FALSE;
  if (nWidth < 0 || nHeight < 0 || nSrcWidth <= 0 || nSrcHeight <= 0) return FALSE;
  if (nWidth == 0 || nHeight == 0) return TRUE;
  const NativeDC* src = pSrcDC->m_pNative;
  if (!src || !src->cr || !src->memory) return FALSE;
  cairo_surface_t* surface = cairo_get_target(src->cr);
  const int sx = pSrcDC->ToDeviceX(xSrc), sy = pSrcDC->ToDeviceY(ySrc);
  const int dx = ToDeviceX(x), dy = ToDeviceY(y);
  // A sub-surface keeps the sampling inside the source rectangle, and PAD
  // repeats its edge instead of reading transparent pixels beyond it.
  cairo_surface_t* part = cairo_surface_create_for_rectangle(surface, sx, sy, nSrcWidth, nSrcHeight);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, static_cast<double>(nSrcWidth) / nWidth, static_cast<double>(nSrcHeight) / nHeight);
  cairo_matrix_translate(&matrix, -dx, -dy);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_t* cr = m_pNative->cr;
  {
    ClipScope scope(cr, m_state.bClip, m_state.rcClip);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, dx, dy, nWidth, nHeight);
    cairo_fill(cr);
  }
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(part);
  return TRUE;
}

void DC::FillSolidRect(const Rect& rect, COLORREF crColor) {
  if (!m_pNative || !m_pNative->cr) return;
  cairo_t* cr = m_pNative->cr;
  ClipScope scope(cr, m_state.bClip, m_state.rcClip);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  SetSourceColour(cr, crColor);
  cairo_rectangle(cr, ToDeviceX(rect.left), ToDeviceY(rect.top), Width(rect), Height(rect));
  cairo_fill(cr);
}

BOOL DC::DrawIcon(int x, int y, const Icon* pIcon) {
  if (!m_pNative || !m_pNative->cr || !pIcon || pIcon->IsNull()) return FALSE;
  const NativeIcon* icon = pIcon->Native();
  const std::span<const Size> sizes = pIcon->GetSizes();
  size_t best = 0;
  for (size_t i = 0; i < sizes.size(); ++i)
    if (std::abs(sizes[i].cx - 32) < std::abs(sizes[best].cx - 32)) best = i;
  cairo_t* cr = m_pNative->cr;
  ClipScope scope(cr, m_state.bClip, m_state.rcClip);
  cairo_set_source_surface(cr, icon->images[best].surface, ToDeviceX(x), ToDeviceY(y));
  cairo_paint(cr);
  return TRUE;
}

COLORREF DC::GetPixel(int x, int y) const {
  if (!m_pNative || !m_pNative->cr) return CLR_INVALID;
  double dx = ToDeviceX(x), dy = ToDeviceY(y);
  cairo_user_to_device(m_pNative->cr, &dx, &dy);
  return ReadSurfacePixel(cairo_get_target(m_pNative->cr), static_cast<int>(dx), static_cast<int>(dy));
}

const Font& DC::CurrentFont() const { return m_state.pFont ? *m_state.pFont : DefaultGuiFont(); }

BOOL DC::GetTextMetrics(TEXTMETRIC* pMetrics) const {
  if (!pMetrics) return FALSE;
  *pMetrics = CurrentFont().GetTextMetrics();
  return TRUE;
}

Size DC::GetTextExtent(std::string_view text) const {
  const Font& font = CurrentFont();
  LineRenderer renderer(font.Native());
  return {text.empty() ? 0 : renderer.Measure(text), font.GetTextMetrics().tmHeight};
}

BOOL DC::TextOut(int x, int y, std::string_view text) {
  if (!m_pNative || !m_pNative->cr) return FALSE;
  const Font& font = CurrentFont();
  const TEXTMETRIC tm = font.GetTextMetrics();
  LineRenderer renderer(font.Native());
  TextLine line{std::string(text), {}, 0};
  cairo_t* cr = m_pNative->cr;
  ClipScope scope(cr, m_state.bClip, m_state.rcClip);
  const int dx = ToDeviceX(x), dy = ToDeviceY(y);
  if (m_state.nBkMode == OPAQUE) {
    SetSourceColour(cr, m_state.crBk);
    cairo_rectangle(cr, dx, dy, renderer.Measure(text), tm.tmHeight);
    cairo_fill(cr);
  }
  SetSourceColour(cr, m_state.crText);
  renderer.Draw(cr, line, dx, dy + tm.tmAscent);
  return TRUE;
}

int DC::DrawText(std::string_view text, Rect* pRect, UINT nFormat) {
  if (!pRect) return 0;
  const Font& font = CurrentFont();
  const TEXTMETRIC tm = font.GetTextMetrics();
  const int lineHeight = std::max(1, tm.tmHeight);
  const bool singleLine = (nFormat & DT_SINGLELINE) != 0;
  const bool prefix = (nFormat & DT_NOPREFIX) == 0;
  const int width = Width(*pRect);
  LineRenderer renderer(font.Native());

  std::vector<std::string> rawLines;
  if (singleLine) {
    std::string joined;
    for (char c : text)
      if (c != '\r' && c != '\n') joined += c;
    rawLines.push_back(std::move(joined));
  } else {
    size_t start = 0;
    while (true) {
      size_t end = text.find('\n', start);
      std::string_view paragraph = text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
      if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
      if (nFormat & DT_WORDBREAK) {
        for (std::string& wrapped : WrapParagraph(renderer, paragraph, width)) rawLines.push_back(std::move(wrapped));
      } else {
        rawLines.emplace_back(paragraph);
      }
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    // A final line break starts no line of its own.
    if (rawLines.size() > 1 && rawLines.back().empty() && !text.empty() && text.back() == '\n') rawLines.pop_back();
  }

  std::vector<TextLine> lines;
  int maxWidth = 0;
  for (const std::string& raw : rawLines) {
    TextLine line = StripPrefixes(raw, prefix);
    line.width = line.text.empty() ? 0 : renderer.Measure(line.text);
    if (nFormat & (DT_WORD_ELLIPSIS | DT_END_ELLIPSIS)) AddEllipsis(renderer, line, width, nFormat & DT_WORD_ELLIPSIS);
    maxWidth = std::max(maxWidth, line.width);
    lines.push_back(std::move(line));
  }
  const int textHeight = static_cast<int>(lines.size()) * lineHeight;

  if (nFormat & DT_CALCRECT) {
    pRect->right = pRect->left + maxWidth;
    pRect->bottom = pRect->top + textHeight;
    return textHeight;
  }
  if (!m_pNative || !m_pNative->cr) return 0;

  int top = pRect->top;
  if (singleLine && (nFormat & DT_VCENTER)) top = (pRect->top + pRect->bottom - lineHeight) / 2;
  else if (singleLine && (nFormat & DT_BOTTOM)) top = pRect->bottom - lineHeight;

  cairo_t* cr = m_pNative->cr;
  ClipScope scope(cr, m_state.bClip, m_state.rcClip);
  if (!(nFormat & DT_NOCLIP)) {
    cairo_rectangle(cr, ToDeviceX(pRect->left), ToDeviceY(pRect->top), width, Height(*pRect));
    cairo_clip(cr);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const TextLine& line = lines[i];
    const int y = top + static_cast<int>(i) * lineHeight;
    if (!(nFormat & DT_NOCLIP) && y >= pRect->bottom) break;
    int x = pRect->left;
    if (nFormat & DT_RIGHT) x = pRect->right - line.width;
    else if (nFormat & DT_CENTER) x = pRect->left + (width - line.width) / 2;
    if (m_state.nBkMode == OPAQUE && line.width > 0) {
      SetSourceColour(cr, m_state.crBk);
      cairo_rectangle(cr, ToDeviceX(x), ToDeviceY(y), line.width, lineHeight);
      cairo_fill(cr);
    }
    SetSourceColour(cr, m_state.crText);
    renderer.Draw(cr, line, ToDeviceX(x), ToDeviceY(y) + tm.tmAscent);
  }
  return textHeight;
}

}  // namespace platform::gui
