#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Compares two pictures of the same window, made by two builds (the Linux
// build on GTK, the Windows build under Wine), region by region.
//
// Whatever the window draws from bitmaps must be equal pixel for pixel: the
// pictures are the same resources, blitted without scaling. Text is drawn by
// the system's rasteriser (pango and FreeType on Linux, GDI under Wine),
// whose glyph shapes, anti-aliasing and line heights differ (Wine measures a
// 12-pixel Korean face 11 pixels high, and the dialogs place each further
// line by that height). A text region therefore passes within a tolerance:
//
//  - its ink (pixels farther than kInkThreshold from the region's background,
//    the Linux picture's most common colour there, or than a third of the
//    text's contrast for faint text: a grey line on white would otherwise
//    keep only the glyphs' cores, which each rasteriser draws differently)
//    lies in both pictures, or in neither;
//  - the ink's bounding boxes agree within kEdgeTolerance pixels on each
//    edge: six lines placed by an 11- instead of a 12-pixel height end six
//    pixels higher; a missing line or text in the wrong place moves an edge
//    by a line's height or more. The far edge of left-aligned text may move
//    by kWidthShare of the text's width as well: Windows has Gulim, whose
//    12-pixel cell is its em, while a Wine prefix draws NanumGothic in its
//    place, whose taller ascent and descent leave a smaller em in the same
//    cell (the welcome text measured 16 % narrower under Wine 8 than on
//    Linux); a missing word moves the edge by more;
//  - the amounts of ink are within a factor kInkRatio of each other: a
//    different anti-aliasing changes how many pixels a glyph touches, a
//    missing word or a different text changes it more;
//  - the colour of the ink's third farthest from the background agrees
//    within kColourTolerance per channel: the same text colour on the same
//    background, whatever the glyph edges blend to.
//
// Everything of the window outside the text regions is a bitmap region.
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

struct TextRegion {
  std::string strName;
  ScreenRect rc;
};

class ScreenImage {
 public:
  ScreenImage() = default;
  ScreenImage(int width, int height, uint32_t fill = 0xFFFFFF);
  // A PNG file; nullopt when it cannot be read.
  static std::optional<ScreenImage> Load(const std::string& path);
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  // 0xRRGGBB.
  uint32_t At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_nWidth + x]; }
  void Set(int x, int y, uint32_t rgb) { m_pixels[static_cast<size_t>(y) * m_nWidth + x] = rgb & 0xFFFFFF; }

 private:
  int m_nWidth = 0, m_nHeight = 0;
  std::vector<uint32_t> m_pixels;
};

struct RegionVerdict {
  std::string strName;  // "bitmaps" for everything outside the text regions
  bool bSame = false;
  std::string strWhy;   // what differs, when it does
};

inline constexpr int kInkThreshold = 48;
inline constexpr int kEdgeTolerance = 8;
inline constexpr double kWidthShare = 0.20;
inline constexpr double kInkRatio = 2.0;
inline constexpr int kColourTolerance = 64;

// One verdict for the bitmap part, then one per text region. Pictures of
// different sizes give one verdict, "size", that fails.
std::vector<RegionVerdict> CompareScreens(const ScreenImage& expected, const ScreenImage& actual,
                                          const std::vector<TextRegion>& textRegions);
// True when every verdict is the same; `report` gets the failing ones.
bool AllSame(const std::vector<RegionVerdict>& verdicts, std::string* report = nullptr);
