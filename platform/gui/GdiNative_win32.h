#pragma once

// The GDI objects behind the layer's classes; only the window layer's own
// Windows files include this.
#include <cstdint>
#include <vector>

#include "platform/gui/WinUser.h"

namespace platform::gui {

// Every bitmap is a top-down 32-bit DIB section: the pixels of a bitmap
// selected into a DC can be read without taking it out (GetPixel), and a
// bitmap is the same whichever display the program runs on.
struct NativeBitmap {
  HBITMAP handle = nullptr;
  uint32_t* bits = nullptr;  // 0x00RRGGBB, top row first, `width` per row
  int width = 0;
  int height = 0;
};

struct NativeFont {
  HFONT handle = nullptr;
};

struct NativeIcon {
  HICON handle = nullptr;  // the image of the system's icon size
  std::vector<Size> sizes;
};

// What a paint DC borrows from BeginPaint.
struct NativeSurfaceRef {
  HDC hdc = nullptr;
};

struct NativeDC {
  HDC hdc = nullptr;
  bool owned = false;  // made by CreateCompatibleDC, deleted with the object
  // What the DC held when it was made, selected back before it is deleted,
  // so that no object of ours is still selected when it goes.
  HGDIOBJ originalBitmap = nullptr;
  HGDIOBJ originalFont = nullptr;
};

}  // namespace platform::gui
