#pragma once

// A memory DC over a bitmap of its own, filled with one colour: what the
// pixel tests of the window layer draw into and read back, on both systems.
#include <algorithm>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"

namespace vamo_test {

// RGB and its kin are macros on Windows: never qualified.
using namespace platform::gui;

inline constexpr COLORREF kPaper = RGB(250, 250, 250);
inline constexpr COLORREF kInk = RGB(0, 0, 0);

struct Canvas {
  Canvas(int cx, int cy, COLORREF fill = kPaper) {
    bitmap.CreateBitmap(cx, cy);
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect({0, 0, cx, cy}, fill);
  }
  COLORREF At(int x, int y) const { return bitmap.GetPixel(x, y); }
  // The bounding box of every pixel that differs from `background`.
  Rect Ink(COLORREF background = kPaper) const {
    Rect box{1 << 20, 1 << 20, -1, -1};
    const Size size = bitmap.GetSize();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (At(x, y) != background) {
          box.left = std::min(box.left, x);
          box.top = std::min(box.top, y);
          box.right = std::max(box.right, x + 1);
          box.bottom = std::max(box.bottom, y + 1);
        }
    return box.right < 0 ? Rect{} : box;
  }
  bool SamePixels(const Canvas& other) const {
    const Size size = bitmap.GetSize();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        if (At(x, y) != other.At(x, y)) return false;
    return true;
  }
  Bitmap bitmap;
  DC dc;
};

}  // namespace vamo_test
