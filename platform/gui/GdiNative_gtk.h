#pragma once

// The cairo and pango objects behind the GDI classes; only the window
// layer's own Linux files include this.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

#include "platform/gui/WinUser.h"

namespace platform::gui {

struct NativeBitmap {
  cairo_surface_t* surface = nullptr;  // CAIRO_FORMAT_RGB24
  int width = 0;
  int height = 0;
};

struct NativeFont {
  PangoFontDescription* desc = nullptr;
  bool underline = false;
  TEXTMETRIC metrics;
};

struct NativeIconImage {
  cairo_surface_t* surface = nullptr;  // CAIRO_FORMAT_ARGB32
  Size size;
};

struct NativeIcon {
  std::vector<NativeIconImage> images;  // largest first
  std::vector<Size> sizes;
};

// What a DC draws on: a cairo context, owned (memory DCs) or borrowed (paint
// DCs, over the window's surface).
struct NativeSurfaceRef {
  cairo_t* cr = nullptr;
};

struct NativeDC {
  cairo_t* cr = nullptr;
  bool owned = false;
  bool memory = false;
};

// Loads the program's fontconfig rules into the process's configuration,
// once, before the first font is made.
void EnsureFontConfiguration();
// The pango context all DCs measure and draw with (UI thread).
PangoContext* SharedPangoContext();

COLORREF ReadSurfacePixel(cairo_surface_t* surface, int x, int y);

}  // namespace platform::gui
