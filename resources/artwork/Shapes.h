#pragma once

#include <cairo.h>

#include <string_view>

#include "resources/artwork/Palette.h"
#include "resources/artwork/Text.h"

// Drawing pieces the pictures share: rounded shapes, gradients, the framed
// panels, the pink title band with logo and caption, the small close cross.

// Adds a rounded rectangle to the path.
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);

// Fills the current path with a top-to-bottom gradient from `top` at y0 to
// `bottom` at y1, and clears the path.
void FillVertical(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom);

// Fills a whole box with one colour.
void FillBox(cairo_t* cr, Box box, Rgb colour);

// A one-pixel line along pixel rows/columns, crisp (no half-covered pixels):
// from (x0, y) to (x1, y) inclusive, or (x, y0) to (x, y1).
void HLine(cairo_t* cr, int x0, int x1, int y, Rgb colour);
void VLine(cairo_t* cr, int x, int y0, int y1, Rgb colour);

// A white panel with a one-pixel frame, rounded corners and a faint shadow
// below, on whatever lies beneath.
void Panel(cairo_t* cr, Box box);

// The body of a wizard window below its title band: window grey, with a
// one-pixel outline so that a white desktop does not swallow the window's
// edges (the title band draws its own part of the outline).
void WindowBody(cairo_t* cr, int width, int height, int titleHeight);

// The pink title band of a window `width` pixels wide, `height` high,
// without caption: the gradient, a soft highlight, the top/left/right edges
// of the window outline and the line under the band. Pictures that sit on
// the band (the close buttons) paint it too, translated, so their pixels
// match the band's exactly.
void TitleBand(cairo_t* cr, int width, int height);

// The title band with the logo and the caption, vertically centred.
void TitleBar(cairo_t* cr, int width, int height, std::string_view caption, double captionPx);

// The product's logo mark in a square of `size` pixels at (x, y): a pink
// rounded square holding a white ring whose open end carries a dot. With
// `onPink` the colours swap (white square, pink ring) so the mark stands out
// on the title band.
void LogoMark(cairo_t* cr, double x, double y, double size, bool onPink);

// A cross of two strokes centred on (cx, cy), each arm `half` pixels long.
void Cross(cairo_t* cr, double cx, double cy, double half, double lineWidth, Rgb colour);

// A soft elliptic shadow centred on (cx, cy) with radii rx and ry, black at
// `opacity` in the middle fading to nothing at the rim: the ground under the
// round pictures.
void GroundShadow(cairo_t* cr, double cx, double cy, double rx, double ry, double opacity);
