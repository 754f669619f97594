#pragma once

#include <cairo.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "resources/artwork/Palette.h"

// Text in the artwork: Korean faces of the Nanum family, antialiased in
// grey (no subpixel colours, which would look wrong on any other screen),
// with glyph positions rounded to whole pixels so that small text stays
// crisp, and the same rendering options whatever the build machine's
// desktop settings are.

// A picture that cannot be drawn as designed (text that does not fit its
// box, a missing font). The generator reports it and fails the build rather
// than writing a clipped picture.
class ArtworkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace fonts {
inline constexpr const char* kGothic = "NanumGothic";          // body text
inline constexpr const char* kBarun = "NanumBarunGothic";      // buttons, captions
inline constexpr const char* kRound = "NanumSquareRound";      // headings, title bars
}  // namespace fonts

struct Font {
  const char* family;
  int weight;       // 400 regular, 700 bold
  double px;        // em size in pixels
  bool underline = false;
};

struct Box {
  double x;
  double y;
  double w;
  double h;
};

enum class Align { kLeft, kCentre, kRight };

// Throws ArtworkError naming the first family of the artwork that fontconfig
// does not have, so a machine without the fonts cannot silently substitute
// another face.
void RequireFonts();

// Advance width of one line of text in pixels.
double TextWidth(cairo_t* cr, std::string_view text, const Font& font);

// One line of text inside the box: aligned horizontally, and placed
// vertically so that Hangul sits centred in the box, whatever the line's own
// glyphs are (lines of one picture family share their baseline). Throws
// ArtworkError when the text is wider than the box. Returns the x where
// the text ends.
double DrawLine(cairo_t* cr, std::string_view text, const Font& font, Rgb colour, Box box, Align align);

// Adds the outlines of the text to the current path, its ink centred on
// (cx, cy): for letters used as shapes (emblems), not for reading text.
void CentredTextPath(cairo_t* cr, std::string_view text, const Font& font, double cx, double cy);

// The largest em size from `font.px` down to `minimumPx`, in half-pixel
// steps, at which the text fits `width`. Throws ArtworkError when even the
// smallest does not fit; `what` names the text in the message.
Font FitFont(cairo_t* cr, std::string_view text, Font font, double width, double minimumPx, const std::string& what);
