// The off-screen buffer on image surfaces: one copy at the end, every pixel
// of its rectangle painted, drawing in the paint DC's coordinates.
#include <gtest/gtest.h>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"
#include "ui/BufferDC.h"

using namespace platform::gui;

namespace {

constexpr COLORREF kSentinel = RGB(7, 77, 177);

// Stands in for a paint DC: a memory DC over a bitmap full of a colour no
// drawing uses.
struct PaintTarget {
  PaintTarget() {
    bitmap.CreateBitmap(120, 90);
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect({0, 0, 120, 90}, kSentinel);
  }
  int Count(COLORREF colour, const Rect& area) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) n += bitmap.GetPixel(x, y) == colour;
    return n;
  }
  Bitmap bitmap;
  DC dc;
};

struct BufferCase {
  const char* name;
  bool explicitRect;
  Rect rect;  // the buffered rectangle
};

class BufferDCTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferDCTest, CopiesOnceAtTheEndAndPaintsEveryPixelOfItsRectangle) {
  const BufferCase& c = GetParam();
  PaintTarget paint;
  paint.dc.SetBkColor(RGB(250, 240, 230));
  if (!c.explicitRect) paint.dc.IntersectClipRect(c.rect);
  const Rect square{c.rect.left + 10, c.rect.top + 5, c.rect.left + 20, c.rect.top + 15};
  {
    CBufferDC buffer(&paint.dc, c.explicitRect ? &c.rect : nullptr);
    buffer->FillSolidRect(square, RGB(0, 0, 255));
    // Nothing has reached the paint DC yet.
    EXPECT_EQ(paint.Count(kSentinel, {0, 0, 120, 90}), 120 * 90);
  }
  // The rectangle is the background colour except for the square, drawn
  // where the paint DC's coordinates put it; outside it nothing changed.
  EXPECT_EQ(paint.Count(RGB(0, 0, 255), square), 100);
  EXPECT_EQ(paint.Count(RGB(250, 240, 230), c.rect), Width(c.rect) * Height(c.rect) - 100);
  EXPECT_EQ(paint.Count(kSentinel, {0, 0, 120, 90}), 120 * 90 - Width(c.rect) * Height(c.rect));
}

INSTANTIATE_TEST_SUITE_P(Rectangles, BufferDCTest,
                         ::testing::Values(BufferCase{"wholeTarget", true, {0, 0, 120, 90}},
                                           BufferCase{"partOfTheTarget", true, {30, 20, 80, 60}},
                                           BufferCase{"clipBoxOfThePaintDC", false, {5, 6, 45, 36}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
