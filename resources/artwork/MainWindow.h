#pragma once

#include <cairo.h>

// The main wizard window's background: title band, and three panels for the
// step strip, the status text and the progress area, each left plain white
// where the program draws.
void PaintMainBackground(cairo_t* cr, int width, int height);
