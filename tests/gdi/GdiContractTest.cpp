// What the device context owes painting code on both systems: blits, DIBs,
// colours, origins, clip and the saved state, drawn into memory DCs and
// read back pixel by pixel. The Linux build runs it over cairo, the Windows
// build under Wine over GDI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "platform/gui/Font.h"
#include "tests/support/GdiCanvas.h"

using namespace platform::gui;

namespace {

using vamo_test::Canvas;
using vamo_test::kPaper;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);

Font MakeFont(int height, int weight = FW_NORMAL, const char* face = "굴림") {
  Font font;
  EXPECT_TRUE(font.CreateFont(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face));
  return font;
}

TEST(GdiBlit, BitBltCopiesExactlyTheSourceRectangle) {
  Canvas source(3, 2);
  source.dc.FillSolidRect({0, 0, 1, 1}, RGB(255, 0, 0));
  source.dc.FillSolidRect({1, 0, 2, 1}, RGB(0, 255, 0));
  source.dc.FillSolidRect({2, 0, 3, 1}, RGB(0, 0, 255));
  source.dc.FillSolidRect({0, 1, 3, 2}, RGB(10, 20, 30));
  Canvas target(12, 12, RGB(1, 2, 3));

  ASSERT_TRUE(target.dc.BitBlt(5, 7, 3, 2, &source.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(target.At(5, 7), RGB(255, 0, 0));
  EXPECT_EQ(target.At(6, 7), RGB(0, 255, 0));
  EXPECT_EQ(target.At(7, 7), RGB(0, 0, 255));
  EXPECT_EQ(target.At(7, 8), RGB(10, 20, 30));
  EXPECT_EQ(target.Ink(RGB(1, 2, 3)), (Rect{5, 7, 8, 9}));

  // A source rectangle that runs past the bitmap copies what exists and
  // leaves the rest of the destination as it was.
  Canvas clipped(12, 12, RGB(1, 2, 3));
  ASSERT_TRUE(clipped.dc.BitBlt(0, 0, 10, 4, &source.dc, 1, 1, SRCCOPY));
  EXPECT_EQ(clipped.Ink(RGB(1, 2, 3)), (Rect{0, 0, 2, 1}));
  EXPECT_FALSE(clipped.dc.BitBlt(0, 0, 1, 1, &source.dc, 0, 0, 0x00EE0086 /* SRCPAINT */));
}

TEST(GdiBlit, StretchedOneColumnFillEndsAtTheLastTargetColumn) {
  // The progress bars: a 1 x 12 fill stretched to 248 columns from x = 154.
  Canvas fill(1, 12, RGB(226, 86, 168));
  Canvas bar(420, 20, kPaper);
  ASSERT_TRUE(bar.dc.StretchBlt(154, 4, 248, 12, &fill.dc, 0, 0, 1, 12, SRCCOPY));
  EXPECT_EQ(bar.Ink(), (Rect{154, 4, 402, 16}));
  for (int x = 154; x <= 401; ++x) ASSERT_EQ(bar.At(x, 4), RGB(226, 86, 168)) << x;
  EXPECT_EQ(bar.At(153, 10), kPaper);
  EXPECT_EQ(bar.At(402, 10), kPaper);
  // A zero width draws nothing.
  Canvas empty(20, 20);
  EXPECT_TRUE(empty.dc.StretchBlt(3, 3, 0, 12, &fill.dc, 0, 0, 1, 12, SRCCOPY));
  EXPECT_EQ(empty.Ink(), Rect{});
}

TEST(GdiBlit, StretchIsNearestNeighbourWithoutBlending) {
  Canvas source(2, 2);
  source.dc.FillSolidRect({0, 0, 1, 1}, RGB(255, 0, 0));
  source.dc.FillSolidRect({1, 0, 2, 1}, RGB(0, 255, 0));
  source.dc.FillSolidRect({0, 1, 1, 2}, RGB(0, 0, 255));
  source.dc.FillSolidRect({1, 1, 2, 2}, RGB(255, 255, 255));
  Canvas target(6, 6);
  ASSERT_TRUE(target.dc.StretchBlt(0, 0, 6, 6, &source.dc, 0, 0, 2, 2, SRCCOPY));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(target.At(x, y), source.At(x / 3, y / 3)) << x << "," << y;
}

struct DibCase {
  const char* name;
  std::vector<uint8_t> dib;
  Size size;
  std::vector<COLORREF> topRow;  // empty: must not load
};

std::vector<uint8_t> Header(int width, int height, int bits, uint32_t colours = 0) {
  std::vector<uint8_t> h(40, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<uint8_t>(bits);
  put32(32, colours);
  return h;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class DibLoad : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibLoad, DecodesRowsAndColours) {
  const DibCase& c = GetParam();
  Bitmap bitmap;
  const BOOL loaded = bitmap.LoadFromDib(c.dib);
  if (c.topRow.empty()) {
    EXPECT_FALSE(loaded);
    BITMAP info;
    EXPECT_EQ(bitmap.GetObject(&info), 0);
    return;
  }
  ASSERT_TRUE(loaded);
  BITMAP info;
  ASSERT_EQ(bitmap.GetObject(&info), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ((Size{info.bmWidth, info.bmHeight}), c.size);
  for (size_t x = 0; x < c.topRow.size(); ++x) EXPECT_EQ(bitmap.GetPixel(static_cast<int>(x), 0), c.topRow[x]) << x;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DibLoad,
    ::testing::Values(
        // 24-bit, bottom-up, rows padded to four bytes: the top row is last.
        DibCase{"bits24",
                Cat(Header(2, 2, 24), {1, 2, 3, 4, 5, 6, 0, 0, /* top: */ 30, 20, 10, 60, 50, 40, 0, 0}),
                {2, 2},
                {RGB(10, 20, 30), RGB(40, 50, 60)}},
        // 8-bit top-down (negative height) through a two-colour table.
        DibCase{"bits8TopDown",
                Cat(Cat(Header(3, -1, 8, 2), {0, 0, 255, 0, 255, 0, 0, 0}), {1, 0, 1, 0}),
                {3, 1},
                {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255)}},
        // 1-bit, most significant bit first.
        DibCase{"bits1", Cat(Cat(Header(3, 1, 1), {0, 0, 0, 0, 255, 255, 255, 0}), {0xA0, 0, 0, 0}), {3, 1},
                {RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255)}},
        DibCase{"truncatedPixels", Cat(Header(4, 4, 24), {1, 2, 3}), {}, {}},
        DibCase{"compressed", [] { auto h = Header(1, 1, 8); h[16] = 1; return Cat(h, std::vector<uint8_t>(8, 0)); }(),
                {}, {}},
        DibCase{"hugeWidth", Cat(Header(1 << 20, 1, 24), std::vector<uint8_t>(64, 0)), {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GdiBlit, NegativeExtentsAreRefusedNotMirrored) {
  Canvas source(2, 1);
  source.dc.FillSolidRect({0, 0, 1, 1}, kRed);
  Canvas target(6, 6);
  EXPECT_FALSE(target.dc.BitBlt(4, 0, -2, 1, &source.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(target.dc.StretchBlt(4, 0, -4, 2, &source.dc, 0, 0, 2, 1, SRCCOPY));
  EXPECT_FALSE(target.dc.StretchBlt(0, 0, 4, 2, &source.dc, 2, 0, -2, 1, SRCCOPY));
  EXPECT_EQ(target.Ink(), Rect{});
}

// Logical coordinates: a point is moved by the viewport origin less the
// window origin; the clip box answers in logical coordinates.
TEST(GdiOrigins, OriginsMoveDrawingAndTheClipBoxIsLogical) {
  Canvas canvas(20, 20);
  canvas.dc.SetViewportOrg(10, 5);
  EXPECT_EQ(canvas.dc.GetViewportOrg(), (Point{10, 5}));
  canvas.dc.FillSolidRect({0, 0, 2, 2}, kRed);
  EXPECT_EQ(canvas.Ink(), (Rect{10, 5, 12, 7}));
  Rect clip;
  EXPECT_EQ(canvas.dc.GetClipBox(&clip), SIMPLEREGION);
  EXPECT_EQ(clip, (Rect{-10, -5, 10, 15}));

  canvas.dc.SetWindowOrg(3, 1);
  Rect rc{3, 1, 4, 2};
  canvas.dc.LPtoDP(&rc);
  EXPECT_EQ(rc, (Rect{10, 5, 11, 6}));
  canvas.dc.DPtoLP(&rc);
  EXPECT_EQ(rc, (Rect{3, 1, 4, 2}));
  canvas.dc.FillSolidRect({3, 1, 4, 2}, kGreen);
  EXPECT_EQ(canvas.At(10, 5), kGreen);
  EXPECT_EQ(canvas.At(11, 5), kRed);
}

// DC::GetPixel reads the target's device pixels, whatever the clip: the
// clip limits drawing, not reading back.
TEST(GdiState, GetPixelReadsOutsideTheClipAndAnswersInvalidOutsideTheBitmap) {
  Canvas canvas(8, 8);
  canvas.dc.FillSolidRect({5, 5, 6, 6}, kRed);
  canvas.dc.IntersectClipRect({0, 0, 2, 2});
  EXPECT_EQ(canvas.dc.GetPixel(5, 5), kRed);
  EXPECT_EQ(canvas.dc.GetPixel(1, 1), kPaper);
  EXPECT_EQ(canvas.dc.GetPixel(8, 0), CLR_INVALID);
  EXPECT_EQ(canvas.dc.GetPixel(0, -1), CLR_INVALID);
  Rect box;
  EXPECT_EQ(canvas.dc.GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, (Rect{0, 0, 2, 2}));
  EXPECT_EQ(canvas.dc.IntersectClipRect({4, 4, 6, 6}), NULLREGION);
  EXPECT_EQ(canvas.dc.GetClipBox(&box), NULLREGION);
  canvas.dc.SelectClipRgnNone();
  EXPECT_EQ(canvas.dc.GetClipBox(&box), SIMPLEREGION);
  EXPECT_EQ(box, (Rect{0, 0, 8, 8}));
}

// The bitmap is not part of the saved state: a bitmap selected after
// SaveDC is still the target after RestoreDC (GDI's own RestoreDC would
// select the earlier one back).
TEST(GdiState, RestoreDCKeepsTheBitmapSelectedNow) {
  Canvas canvas(8, 8);
  Bitmap other;
  ASSERT_TRUE(other.CreateBitmap(4, 4));
  const int level = canvas.dc.SaveDC();
  ASSERT_GT(level, 0);
  EXPECT_EQ(canvas.dc.SelectObject(&other), &canvas.bitmap);
  ASSERT_TRUE(canvas.dc.RestoreDC(level));
  canvas.dc.FillSolidRect({0, 0, 4, 4}, kRed);
  EXPECT_EQ(other.GetPixel(3, 3), kRed);
  EXPECT_EQ(canvas.At(0, 0), kPaper);
  EXPECT_EQ(canvas.dc.SelectObject(&canvas.bitmap), &other);
}

// Text colours and background modes: OPAQUE fills the text's cell with the
// background colour and draws the glyphs in the text colour over it;
// TRANSPARENT leaves everything but the glyphs as it was.
class GdiTextColours : public ::testing::TestWithParam<int> {};

TEST_P(GdiTextColours, GlyphsInTheTextColourAndTheCellByMode) {
  const int mode = GetParam();
  Font font = MakeFont(16, FW_BOLD);
  Canvas canvas(80, 30);
  canvas.dc.SelectObject(&font);
  EXPECT_EQ(canvas.dc.SetTextColor(kRed), RGB(0, 0, 0));
  EXPECT_EQ(canvas.dc.SetBkColor(kGreen), RGB(255, 255, 255));
  canvas.dc.SetBkMode(mode);
  EXPECT_EQ(canvas.dc.GetBkMode(), mode);
  ASSERT_TRUE(canvas.dc.TextOut(6, 4, "HIH"));
  const Size extent = canvas.dc.GetTextExtent("HIH");
  ASSERT_GT(extent.cx, 0);
  const Rect cell{6, 4, 6 + extent.cx, 4 + extent.cy};

  int reddish = 0, green = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      const COLORREF c = canvas.At(x, y);
      if (c == kPaper) continue;
      ASSERT_TRUE(PtInRect(cell, {x, y})) << "drawn outside the cell at " << x << "," << y;
      green += c == kGreen;
      reddish += GetRValue(c) > 2 * GetGValue(c) && GetRValue(c) > 2 * GetBValue(c);
    }
  EXPECT_GT(reddish, 10) << "the glyphs are not in the text colour";
  if (mode == OPAQUE) {
    EXPECT_EQ(canvas.Ink(), cell);
    EXPECT_EQ(canvas.At(cell.left, cell.top), kGreen);
    EXPECT_GT(green, extent.cx * extent.cy / 2);
  } else {
    EXPECT_EQ(green, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, GdiTextColours, ::testing::Values(OPAQUE, TRANSPARENT),
                         [](const auto& info) { return std::string(info.param == OPAQUE ? "opaque" : "transparent"); });

TEST(GdiState, SaveAndRestoreBringBackFontColoursModeAndClip) {
  Canvas canvas(40, 40);
  Font font = MakeFont(12);
  canvas.dc.SelectObject(&font);
  const int level = canvas.dc.SaveDC();
  canvas.dc.SetTextColor(RGB(1, 2, 3));
  canvas.dc.SetBkMode(TRANSPARENT);
  canvas.dc.IntersectClipRect({0, 0, 10, 10});
  canvas.dc.SelectObject(static_cast<const Font*>(nullptr));
  canvas.dc.FillSolidRect({0, 0, 40, 40}, RGB(9, 9, 9));
  EXPECT_EQ(canvas.Ink(), (Rect{0, 0, 10, 10}));
  ASSERT_TRUE(canvas.dc.RestoreDC(level));
  EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE);
  Rect clip;
  canvas.dc.GetClipBox(&clip);
  EXPECT_EQ(clip, (Rect{0, 0, 40, 40}));
  EXPECT_FALSE(canvas.dc.RestoreDC(level));
}

// Painting code leaves through any return: each guard brings back its own
// level, the outer one's changes survive the inner one's end, and a memory
// DC gets back the bitmap it held.
TEST(GdiState, ScopedGuardsRestoreOnEveryWayOut) {
  Canvas canvas(40, 40);
  auto paint = [&](bool bEarly) {
    ScopedDCState outer(&canvas.dc);
    canvas.dc.SetTextColor(RGB(1, 2, 3));
    {
      ScopedDCState inner(&canvas.dc);
      canvas.dc.SetBkMode(TRANSPARENT);
      canvas.dc.IntersectClipRect({0, 0, 10, 10});
      if (bEarly) return;
    }
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE);
  };
  for (bool bEarly : {true, false}) {
    paint(bEarly);
    EXPECT_EQ(canvas.dc.GetTextColor(), RGB(0, 0, 0)) << bEarly;
    EXPECT_EQ(canvas.dc.GetBkMode(), OPAQUE) << bEarly;
    Rect clip;
    canvas.dc.GetClipBox(&clip);
    EXPECT_EQ(clip, (Rect{0, 0, 40, 40})) << bEarly;
    EXPECT_FALSE(canvas.dc.RestoreDC(-1)) << "a level was left behind";
  }

  Bitmap other;
  other.CreateBitmap(5, 5);
  {
    ScopedSelectBitmap select(&canvas.dc, &other);
    canvas.dc.FillSolidRect({0, 0, 40, 40}, RGB(9, 9, 9));
  }
  EXPECT_EQ(canvas.Ink(), Rect{}) << "the fill went into the canvas instead of the selected bitmap";
  canvas.dc.FillSolidRect({0, 0, 2, 2}, RGB(9, 9, 9));
  EXPECT_EQ(canvas.At(1, 1), RGB(9, 9, 9)) << "the canvas's bitmap was not selected back";
}

}  // namespace
