#include "resources/artwork/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
  const double r = std::min(radius, std::min(w, h) / 2);
  constexpr double kQuarter = std::numbers::pi / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kQuarter, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kQuarter);
  cairo_arc(cr, x + r, y + h - r, r, kQuarter, 2 * kQuarter);
  cairo_arc(cr, x + r, y + r, r, 2 * kQuarter, 3 * kQuarter);
  cairo_close_path(cr);
}

void FillVertical(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom) {
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgb(gradient, 0, top.r / 255.0, top.g / 255.0, top.b / 255.0);
  cairo_pattern_add_color_stop_rgb(gradient, 1, bottom.r / 255.0, bottom.g / 255.0, bottom.b / 255.0);
  cairo_set_source(cr, gradient);
  cairo_fill(cr);
  cairo_pattern_destroy(gradient);
}

void FillBox(cairo_t* cr, Box box, Rgb colour) {
  cairo_rectangle(cr, box.x, box.y, box.w, box.h);
  SetColour(cr, colour);
  cairo_fill(cr);
}

void HLine(cairo_t* cr, int x0, int x1, int y, Rgb colour) { FillBox(cr, {double(x0), double(y), double(x1 - x0 + 1), 1}, colour); }

void VLine(cairo_t* cr, int x, int y0, int y1, Rgb colour) { FillBox(cr, {double(x), double(y0), 1, double(y1 - y0 + 1)}, colour); }

void Panel(cairo_t* cr, Box box) {
  constexpr double kRadius = 5;
  // Shadow: two soft rows under the panel, strongest at the bottom edge.
  for (int i = 2; i >= 1; --i) {
    RoundedRect(cr, box.x, box.y + i, box.w, box.h, kRadius);
    SetColour(cr, {0, 0, 0}, 0.025 * (3 - i));
    cairo_fill(cr);
  }
  RoundedRect(cr, box.x + 0.5, box.y + 0.5, box.w - 1, box.h - 1, kRadius - 0.5);
  SetColour(cr, palette::kWhite);
  cairo_fill_preserve(cr);
  SetColour(cr, palette::kHairline);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void WindowBody(cairo_t* cr, int width, int height, int titleHeight) {
  FillBox(cr, {0, double(titleHeight), double(width), double(height - titleHeight)}, palette::kWindow);
  VLine(cr, 0, titleHeight, height - 1, palette::kBorder);
  VLine(cr, width - 1, titleHeight, height - 1, palette::kBorder);
  HLine(cr, 0, width - 1, height - 1, palette::kBorder);
}

void TitleBand(cairo_t* cr, int width, int height) {
  cairo_rectangle(cr, 0, 0, width, height);
  FillVertical(cr, 0, height, Mix(palette::kPink, palette::kWhite, 0.12), palette::kPinkDeep);
  // A broad, faint highlight arc over the right half: a little depth without
  // competing with the caption.
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  cairo_arc(cr, width * 0.78, -height * 2.2, height * 3.0, 0, 2 * std::numbers::pi);
  SetColour(cr, palette::kWhite, 0.07);
  cairo_fill(cr);
  cairo_restore(cr);
  HLine(cr, 0, width - 1, height - 1, palette::kPinkShadow);
  HLine(cr, 0, width - 1, 0, palette::kPinkShadow);
  VLine(cr, 0, 0, height - 1, palette::kPinkShadow);
  VLine(cr, width - 1, 0, height - 1, palette::kPinkShadow);
}

void TitleBar(cairo_t* cr, int width, int height, std::string_view caption, double captionPx) {
  TitleBand(cr, width, height);
  const double logo = std::round(height * 0.5);
  const double logoX = std::round(height * 0.3);
  const double logoY = std::floor((height - logo) / 2);
  LogoMark(cr, logoX, logoY, logo, true);
  const Font font{fonts::kRound, 700, captionPx};
  const double textX = logoX + logo + 9;
  DrawLine(cr, caption, font, palette::kWhite, {textX, 0, width - textX - 48, double(height)}, Align::kLeft);
}

void LogoMark(cairo_t* cr, double x, double y, double size, bool onPink) {
  cairo_save(cr);
  RoundedRect(cr, x, y, size, size, size * 0.26);
  if (onPink) {
    SetColour(cr, palette::kWhite);
    cairo_fill(cr);
  } else {
    FillVertical(cr, y, y + size, palette::kPinkLight, palette::kPinkDeep);
  }
  const Rgb mark = onPink ? palette::kPinkDeep : palette::kWhite;
  const double cx = x + size / 2;
  const double cy = y + size / 2;
  const double radius = size * 0.27;
  // A ring with a bead at its upper right, set in an opening of the ring
  // with clear space on both sides (also after the round caps): a payment
  // closing its circle.
  constexpr double kPi = std::numbers::pi;
  constexpr double kBeadAngle = -kPi * 0.25;
  const double line = std::max(1.5, size * 0.12);
  const double bead = std::max(1.2, size * 0.105);
  const double clearance = std::max(0.8, size * 0.05);
  const double gapHalf = (bead + line / 2 + clearance) / radius;
  cairo_set_line_width(cr, line);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_arc(cr, cx, cy, radius, kBeadAngle + gapHalf, kBeadAngle - gapHalf + 2 * kPi);
  SetColour(cr, mark);
  cairo_stroke(cr);
  cairo_arc(cr, cx + radius * std::cos(kBeadAngle), cy + radius * std::sin(kBeadAngle), bead, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_restore(cr);
}

void Cross(cairo_t* cr, double cx, double cy, double half, double lineWidth, Rgb colour) {
  cairo_save(cr);
  cairo_set_line_width(cr, lineWidth);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, cx - half, cy - half);
  cairo_line_to(cr, cx + half, cy + half);
  cairo_move_to(cr, cx + half, cy - half);
  cairo_line_to(cr, cx - half, cy + half);
  SetColour(cr, colour);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void GroundShadow(cairo_t* cr, double cx, double cy, double rx, double ry, double opacity) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_pattern_t* shade = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  cairo_pattern_add_color_stop_rgba(shade, 0, 0, 0, 0, opacity);
  cairo_pattern_add_color_stop_rgba(shade, 1, 0, 0, 0, 0);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_set_source(cr, shade);
  cairo_fill(cr);
  cairo_pattern_destroy(shade);
  cairo_restore(cr);
}
