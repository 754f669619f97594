#include "platform/gui/Font.h"

#include <utility>

#include "platform/core/Wide_win32.h"
#include "platform/gui/GdiNative_win32.h"
#include "platform/gui/NativeObjects.h"

namespace platform::gui {

namespace {

// CreateFont's 0 is "the mapper's default size"; the layer promises 12
// pixels on both systems, the size every dialog font has.
constexpr int kDefaultHeight = 12;

// GetTextMetricsW and GetTextFaceW need a DC with the font selected; a
// memory DC of its own keeps the question away from any DC being painted.
template <typename Query>
auto WithFontSelected(HFONT font, Query query) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = dc ? ::SelectObject(dc, font) : nullptr;
  auto result = query(dc);
  if (dc) {
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
  }
  return result;
}

}  // namespace

void FreeNativeFont(NativeFont* p) {
  if (!p) return;
  ::DeleteObject(p->handle);
  delete p;
}

BOOL Font::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, uint8_t bItalic,
                      uint8_t bUnderline, uint8_t cStrikeOut, uint8_t nCharSet, uint8_t nOutPrecision,
                      uint8_t nClipPrecision, uint8_t nQuality, uint8_t nPitchAndFamily, std::string_view face) {
  if (nHeight < -4096 || nHeight > 4096) return FALSE;
  const std::wstring wideFace = Widen(face.empty() ? std::string_view("굴림") : face);
  // The face name field holds 32 characters with its terminator.
  if (wideFace.size() >= LF_FACESIZE) return FALSE;
  HFONT handle = ::CreateFontW(nHeight == 0 ? kDefaultHeight : nHeight, nWidth, nEscapement, nOrientation, nWeight,
                               bItalic, bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision, nQuality,
                               nPitchAndFamily, wideFace.c_str());
  if (!handle) return FALSE;
  FreeNativeFont(m_pNative);
  m_pNative = new NativeFont{handle};
  return TRUE;
}

BOOL Font::Create(std::string_view face, int nHeight, int nWeight, bool bUnderline, bool bItalic) {
  return CreateFont(nHeight, 0, 0, 0, nWeight, bItalic ? 1 : 0, bUnderline ? 1 : 0, 0, 0, 0, 0, 0, 0, face);
}

TEXTMETRIC Font::GetTextMetrics() const {
  TEXTMETRIC tm{};
  if (!m_pNative) return tm;
  WithFontSelected(m_pNative->handle, [&](HDC dc) { return dc && ::GetTextMetricsW(dc, &tm); });
  return tm;
}

std::string Font::GetResolvedFamily() const {
  if (!m_pNative) return {};
  return WithFontSelected(m_pNative->handle, [](HDC dc) {
    wchar_t face[LF_FACESIZE] = {};
    const int length = dc ? ::GetTextFaceW(dc, LF_FACESIZE, face) : 0;
    return length > 0 ? Narrow(std::wstring_view(face)) : std::string();
  });
}

const Font& DefaultGuiFont() {
  static const Font* font = [] {
    auto* f = new Font;
    f->Create("굴림", kDefaultHeight);
    return f;
  }();
  return *font;
}

}  // namespace platform::gui
