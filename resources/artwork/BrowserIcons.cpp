#include "resources/artwork/BrowserIcons.h"

#include <cmath>
#include <numbers>

#include "resources/artwork/Palette.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"

namespace {

constexpr double kPi = std::numbers::pi;

void Disc(cairo_t* cr, double cx, double cy, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
}

void RadialFill(cairo_t* cr, double cx, double cy, double r, Rgb inner, Rgb outer) {
  cairo_pattern_t* gradient = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.1, cx, cy, r);
  cairo_pattern_add_color_stop_rgb(gradient, 0, inner.r / 255.0, inner.g / 255.0, inner.b / 255.0);
  cairo_pattern_add_color_stop_rgb(gradient, 1, outer.r / 255.0, outer.g / 255.0, outer.b / 255.0);
  cairo_set_source(cr, gradient);
  cairo_fill(cr);
  cairo_pattern_destroy(gradient);
}

void Compass(cairo_t* cr, double cx, double cy, double r) {
  Disc(cr, cx, cy, r);
  FillVertical(cr, cy - r, cy + r, {236, 238, 242}, {176, 180, 190});
  Disc(cr, cx, cy, r * 0.86);
  RadialFill(cr, cx, cy, r * 0.86, {120, 200, 250}, {24, 104, 206});
  SetColour(cr, palette::kWhite, 0.9);
  for (int i = 0; i < 24; ++i) {
    const double a = i * kPi / 12;
    const double inner = i % 6 == 0 ? r * 0.62 : r * 0.72;
    cairo_set_line_width(cr, i % 6 == 0 ? 1.6 : 1);
    cairo_move_to(cr, cx + inner * std::cos(a), cy + inner * std::sin(a));
    cairo_line_to(cr, cx + r * 0.8 * std::cos(a), cy + r * 0.8 * std::sin(a));
    cairo_stroke(cr);
  }
  // The needle, pointing to the upper right: red half and white half.
  const double a = -kPi / 4;
  const double len = r * 0.66;
  const double w = r * 0.13;
  const double tipX = cx + len * std::cos(a);
  const double tipY = cy + len * std::sin(a);
  const double sideX = w * std::cos(a + kPi / 2);
  const double sideY = w * std::sin(a + kPi / 2);
  cairo_move_to(cr, tipX, tipY);
  cairo_line_to(cr, cx + sideX, cy + sideY);
  cairo_line_to(cr, cx - sideX, cy - sideY);
  cairo_close_path(cr);
  SetColour(cr, {232, 56, 56});
  cairo_fill(cr);
  cairo_move_to(cr, 2 * cx - tipX, 2 * cy - tipY);
  cairo_line_to(cr, cx + sideX, cy + sideY);
  cairo_line_to(cr, cx - sideX, cy - sideY);
  cairo_close_path(cr);
  SetColour(cr, palette::kWhite);
  cairo_fill(cr);
}

void TriColour(cairo_t* cr, double cx, double cy, double r) {
  const Rgb colours[3] = {{226, 64, 52}, {250, 196, 40}, {52, 166, 82}};
  for (int i = 0; i < 3; ++i) {
    const double from = -kPi / 2 - kPi / 6 + i * 2 * kPi / 3;
    cairo_move_to(cr, cx, cy);
    cairo_arc(cr, cx, cy, r, from, from + 2 * kPi / 3);
    cairo_close_path(cr);
    SetColour(cr, colours[i]);
    cairo_fill(cr);
  }
  // White seams between the sectors.
  SetColour(cr, palette::kWhite);
  cairo_set_line_width(cr, 2);
  for (int i = 0; i < 3; ++i) {
    const double a = -kPi / 2 - kPi / 6 + i * 2 * kPi / 3;
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    cairo_stroke(cr);
  }
  Disc(cr, cx, cy, r * 0.47);
  SetColour(cr, palette::kWhite);
  cairo_fill(cr);
  Disc(cr, cx, cy, r * 0.36);
  RadialFill(cr, cx, cy, r * 0.36, {110, 170, 250}, {30, 100, 220});
}

void FoxGlobe(cairo_t* cr, double cx, double cy, double r) {
  // A violet globe seen from the upper left, wrapped from the top right
  // round to the lower left by a flame-coloured crescent; together they fill
  // the disc.
  const double globeX = cx - r * 0.2;
  const double globeY = cy - r * 0.24;
  const double globeR = r * 0.8;
  cairo_save(cr);
  Disc(cr, cx, cy, r);
  cairo_clip(cr);
  Disc(cr, cx, cy, r);
  cairo_pattern_t* flame = cairo_pattern_create_linear(cx + r, cy - r, cx - r, cy + r);
  cairo_pattern_add_color_stop_rgb(flame, 0, 1.0, 0.82, 0.2);
  cairo_pattern_add_color_stop_rgb(flame, 0.55, 0.98, 0.5, 0.12);
  cairo_pattern_add_color_stop_rgb(flame, 1, 0.9, 0.22, 0.2);
  cairo_set_source(cr, flame);
  cairo_fill(cr);
  cairo_pattern_destroy(flame);
  Disc(cr, globeX, globeY, globeR);
  RadialFill(cr, globeX, globeY, globeR, {128, 118, 236}, {46, 36, 150});
  cairo_restore(cr);
}

void OrbitE(cairo_t* cr, double cx, double cy, double r) {
  const Rgb gold{244, 184, 40};
  auto ring = [&](double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, -0.45);
    cairo_scale(cr, 1, 0.42);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, r * 0.98, from, to);
    cairo_restore(cr);
    cairo_set_line_width(cr, r * 0.13);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, gold);
    cairo_stroke(cr);
  };
  ring(kPi, 2 * kPi);  // behind the letter
  cairo_new_path(cr);
  CentredTextPath(cr, "e", {fonts::kRound, 700, r * 2.05}, cx, cy + r * 0.02);
  FillVertical(cr, cy - r, cy + r, {80, 170, 240}, {16, 86, 190});
  ring(0.15, kPi - 0.15);  // in front
}

void RingO(cairo_t* cr, double cx, double cy, double r) {
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, 0.93, 1);
  cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
  cairo_restore(cr);
  cairo_new_sub_path(cr);
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, 0.42, 0.78);
  cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
  cairo_restore(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  FillVertical(cr, cy - r, cy + r, {248, 72, 84}, {176, 18, 36});
  cairo_restore(cr);
}

void ThreeSixty(cairo_t* cr, double cx, double cy, double r) {
  Disc(cr, cx, cy, r);
  RadialFill(cr, cx, cy, r, {130, 214, 90}, {34, 138, 48});
  // A white orbit, open at the lower left.
  cairo_set_line_width(cr, r * 0.1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_arc(cr, cx, cy, r * 0.78, kPi * 0.85, kPi * 2.55);
  SetColour(cr, palette::kWhite, 0.9);
  cairo_stroke(cr);
  CentredTextPath(cr, "360", {fonts::kRound, 700, r * 0.62}, cx, cy);
  SetColour(cr, palette::kWhite);
  cairo_fill(cr);
}

void CometQ(cairo_t* cr, double cx, double cy, double r) {
  Disc(cr, cx, cy, r);
  RadialFill(cr, cx, cy, r, {96, 190, 250}, {18, 96, 200});
  // A white Q: ring and tail, with a yellow streak along the tail.
  cairo_set_line_width(cr, r * 0.2);
  cairo_arc(cr, cx - r * 0.04, cy - r * 0.04, r * 0.46, 0, 2 * kPi);
  SetColour(cr, palette::kWhite);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, cx + r * 0.18, cy + r * 0.2);
  cairo_line_to(cr, cx + r * 0.62, cy + r * 0.62);
  cairo_stroke(cr);
  cairo_set_line_width(cr, r * 0.08);
  cairo_move_to(cr, cx + r * 0.3, cy + r * 0.22);
  cairo_line_to(cr, cx + r * 0.66, cy + r * 0.56);
  SetColour(cr, {255, 206, 50});
  cairo_stroke(cr);
}

}  // namespace

void PaintBrowserIcon(cairo_t* cr, int width, int height, BrowserEmblem emblem) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const double cx = width / 2.0;
  const double cy = 30.5;
  const double r = 26;
  GroundShadow(cr, cx, height - 5.5, r * 0.9, 3, 0.18);

  switch (emblem) {
    case BrowserEmblem::kCompass: return Compass(cr, cx, cy, r);
    case BrowserEmblem::kTriColour: return TriColour(cr, cx, cy, r);
    case BrowserEmblem::kFoxGlobe: return FoxGlobe(cr, cx, cy, r);
    case BrowserEmblem::kOrbitE: return OrbitE(cr, cx, cy, r);
    case BrowserEmblem::kRingO: return RingO(cr, cx, cy, r);
    case BrowserEmblem::kThreeSixty: return ThreeSixty(cr, cx, cy, r);
    case BrowserEmblem::kCometQ: return CometQ(cr, cx, cy, r);
  }
}
