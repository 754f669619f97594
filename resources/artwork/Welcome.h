#pragma once

#include <cairo.h>

// The welcome dialog: its background (title band, one panel split under a
// tinted heading area) and the heading picture that sits in that area.
void PaintWelcomeBackground(cairo_t* cr, int width, int height);
void PaintWelcomeHeading(cairo_t* cr, int width, int height);
