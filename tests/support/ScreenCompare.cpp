#include "tests/support/ScreenCompare.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

int Channel(uint32_t rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

int Distance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d = std::max(d, std::abs(Channel(a, shift) - Channel(b, shift)));
  return d;
}

bool InAnyText(const std::vector<TextRegion>& regions, int x, int y) {
  return std::any_of(regions.begin(), regions.end(), [&](const TextRegion& r) { return r.rc.Contains(x, y); });
}

RegionVerdict CompareBitmaps(const ScreenImage& expected, const ScreenImage& actual,
                             const std::vector<TextRegion>& textRegions) {
  RegionVerdict verdict{"bitmaps", true, ""};
  int nDiffering = 0;
  int firstX = -1, firstY = -1;
  for (int y = 0; y < expected.Height(); ++y) {
    for (int x = 0; x < expected.Width(); ++x) {
      if (InAnyText(textRegions, x, y) || expected.At(x, y) == actual.At(x, y)) continue;
      if (nDiffering++ == 0) firstX = x, firstY = y;
    }
  }
  if (nDiffering > 0) {
    verdict.bSame = false;
    verdict.strWhy = std::to_string(nDiffering) + " pixels differ, the first at " + std::to_string(firstX) + "," +
                     std::to_string(firstY);
  }
  return verdict;
}

// What a text region holds: where its ink lies, how much, and its colour.
struct Ink {
  int nCount = 0;
  ScreenRect box{1 << 30, 1 << 30, -1, -1};
  uint32_t colour = 0;
};

uint32_t Background(const ScreenImage& image, const ScreenRect& rc) {
  std::map<uint32_t, int> counts;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) ++counts[image.At(x, y)];
  return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

// The colour of the ink is the mean of its third farthest from the
// background: the glyphs' cores, not the edges each rasteriser blends.
Ink MeasureInk(const ScreenImage& image, const ScreenRect& rc, uint32_t background, int nThreshold) {
  Ink ink;
  std::vector<std::pair<int, uint32_t>> pixels;
  for (int y = rc.top; y < rc.bottom; ++y) {
    for (int x = rc.left; x < rc.right; ++x) {
      const int d = Distance(image.At(x, y), background);
      if (d <= nThreshold) continue;
      ++ink.nCount;
      ink.box = {std::min(ink.box.left, x), std::min(ink.box.top, y), std::max(ink.box.right, x + 1),
                 std::max(ink.box.bottom, y + 1)};
      pixels.emplace_back(d, image.At(x, y));
    }
  }
  if (pixels.empty()) return ink;
  std::sort(pixels.begin(), pixels.end(), [](auto& a, auto& b) { return a.first > b.first; });
  const size_t core = std::max<size_t>(1, pixels.size() / 3);
  long sums[3] = {0, 0, 0};
  for (size_t i = 0; i < core; ++i)
    for (int c = 0; c < 3; ++c) sums[c] += Channel(pixels[i].second, 16 - 8 * c);
  ink.colour = 0;
  for (int c = 0; c < 3; ++c) ink.colour |= static_cast<uint32_t>(sums[c] / static_cast<long>(core)) << (16 - 8 * c);
  return ink;
}

RegionVerdict CompareText(const ScreenImage& expected, const ScreenImage& actual, const TextRegion& region) {
  RegionVerdict verdict{region.strName, true, ""};
  const ScreenRect rc{std::max(region.rc.left, 0), std::max(region.rc.top, 0),
                      std::min(region.rc.right, expected.Width()), std::min(region.rc.bottom, expected.Height())};
  if (rc.right <= rc.left || rc.bottom <= rc.top) return verdict;
  const uint32_t background = Background(expected, rc);
  // Faint text (the grey version line) barely stands off its background:
  // its ink is what lies a third of its contrast away, not a fixed step.
  int nContrast = 0;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) nContrast = std::max(nContrast, Distance(expected.At(x, y), background));
  const int nThreshold = std::min(kInkThreshold, std::max(8, nContrast / 3));
  const Ink want = MeasureInk(expected, rc, background, nThreshold);
  const Ink got = MeasureInk(actual, rc, background, nThreshold);
  auto fail = [&](const std::string& why) {
    verdict.bSame = false;
    verdict.strWhy = why;
  };
  if ((want.nCount == 0) != (got.nCount == 0)) {
    fail(want.nCount == 0 ? "text where none is expected" : "no text where text is expected");
    return verdict;
  }
  if (want.nCount == 0) return verdict;
  const int edges[4] = {want.box.left - got.box.left, want.box.top - got.box.top, want.box.right - got.box.right,
                        want.box.bottom - got.box.bottom};
  const int nWidthSlack = static_cast<int>(kWidthShare * (want.box.right - want.box.left));
  for (int i = 0; i < 4; ++i) {
    if (std::abs(edges[i]) > kEdgeTolerance + (i == 2 ? nWidthSlack : 0)) {
      fail("the text's box is (" + std::to_string(got.box.left) + "," + std::to_string(got.box.top) + ")-(" +
           std::to_string(got.box.right) + "," + std::to_string(got.box.bottom) + "), expected (" +
           std::to_string(want.box.left) + "," + std::to_string(want.box.top) + ")-(" +
           std::to_string(want.box.right) + "," + std::to_string(want.box.bottom) + ")");
      return verdict;
    }
  }
  const double ratio = static_cast<double>(got.nCount) / want.nCount;
  if (ratio > kInkRatio || ratio < 1 / kInkRatio) {
    fail(std::to_string(got.nCount) + " pixels of ink, expected about " + std::to_string(want.nCount));
    return verdict;
  }
  if (Distance(want.colour, got.colour) > kColourTolerance) {
    char text[64];
    std::snprintf(text, sizeof text, "ink of colour %06X, expected %06X", got.colour, want.colour);
    fail(text);
  }
  return verdict;
}

}  // namespace

ScreenImage::ScreenImage(int width, int height, uint32_t fill)
    : m_nWidth(width), m_nHeight(height), m_pixels(static_cast<size_t>(width) * height, fill & 0xFFFFFF) {}

std::optional<ScreenImage> ScreenImage::Load(const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return std::nullopt;
  }
  // Whatever the file's format, read it as 32-bit pixels.
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  cairo_surface_t* rgb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(rgb);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(rgb);
  ScreenImage image(width, height);
  const unsigned char* data = cairo_image_surface_get_data(rgb);
  const int stride = cairo_image_surface_get_stride(rgb);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.Set(x, y, reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride)[x]);
  cairo_surface_destroy(rgb);
  cairo_surface_destroy(surface);
  return image;
}

std::vector<RegionVerdict> CompareScreens(const ScreenImage& expected, const ScreenImage& actual,
                                          const std::vector<TextRegion>& textRegions) {
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) {
    return {{"size", false,
             std::to_string(actual.Width()) + " x " + std::to_string(actual.Height()) + ", expected " +
                 std::to_string(expected.Width()) + " x " + std::to_string(expected.Height())}};
  }
  std::vector<RegionVerdict> verdicts{CompareBitmaps(expected, actual, textRegions)};
  for (const TextRegion& region : textRegions) verdicts.push_back(CompareText(expected, actual, region));
  return verdicts;
}

bool AllSame(const std::vector<RegionVerdict>& verdicts, std::string* report) {
  bool bSame = true;
  for (const RegionVerdict& verdict : verdicts) {
    if (verdict.bSame) continue;
    bSame = false;
    if (report) *report += verdict.strName + ": " + verdict.strWhy + "\n";
  }
  return bSame;
}
