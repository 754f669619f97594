#pragma once

#include <string>
#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

struct NativeFont;

// A logical font (HFONT with its CFont owner). Move-only.
//
// Heights follow CreateFont: a positive height is the cell height in pixels
// (ascent + descent), a negative one the character (em) height, 0 a default
// of 12 pixels. Linux: faces resolve through fontconfig; the program's own
// configuration maps "굴림", "돋음"/"돋움", "Gulim" and "Dotum" to NanumGothic.
// Windows: GDI's font mapper, which keeps 31 characters of a face; a longer
// face is refused there rather than cut.
class Font {
 public:
  Font() = default;
  ~Font();
  Font(Font&& other) noexcept;
  Font& operator=(Font&& other) noexcept;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // CreateFontW with every parameter; width, escapement, orientation,
  // strike-out, character set, precisions, quality and pitch are accepted
  // and ignored (the wizard passes 0 for all of them). FALSE when a font
  // of that face and size cannot be made; the object is then left empty.
  BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, uint8_t bItalic,
                  uint8_t bUnderline, uint8_t cStrikeOut, uint8_t nCharSet, uint8_t nOutPrecision,
                  uint8_t nClipPrecision, uint8_t nQuality, uint8_t nPitchAndFamily, std::string_view face);
  // The short form: face, height, weight, underline.
  BOOL Create(std::string_view face, int nHeight, int nWeight = FW_NORMAL, bool bUnderline = false,
              bool bItalic = false);
  BOOL DeleteObject();

  bool IsNull() const { return m_pNative == nullptr; }
  // Cell metrics as GetTextMetrics reports them for this font.
  TEXTMETRIC GetTextMetrics() const;
  // The family fontconfig chose for the face ("NanumGothic" for "굴림").
  std::string GetResolvedFamily() const;

  NativeFont* Native() const { return m_pNative; }

 private:
  NativeFont* m_pNative = nullptr;
};

// The font a DC uses before any is selected: "굴림", 12 pixels, normal.
const Font& DefaultGuiFont();

}  // namespace platform::gui
