#pragma once

#include <cairo.h>

// The browser-close prompt: its background (title band, a panel for the
// browser icons and the notice, a panel for the warning) and the notice.
void PaintBrowserBackground(cairo_t* cr, int width, int height);
void PaintBrowserNotice(cairo_t* cr, int width, int height);
