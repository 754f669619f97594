#include "resources/artwork/ProgressPictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "resources/artwork/Palette.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"

namespace {

constexpr double kPi = std::numbers::pi;

// The contact line: handset, number in bold, envelope, address in pink;
// returns its width so callers can centre it. With `draw` false it only
// measures.
double ContactLine(cairo_t* cr, double x, double y, double h, const Font& bold, const Font& plain,
                   const Contacts& contacts, bool draw) {
  constexpr double kIcon = 12;
  constexpr double kGap = 4;
  constexpr double kBetween = 14;
  const double phoneWidth = TextWidth(cr, contacts.phone, bold);
  const double mailWidth = TextWidth(cr, contacts.email, plain);
  const double total = kIcon + kGap + phoneWidth + kBetween + kIcon + kGap + mailWidth;
  if (!draw) return total;
  const double iconY = y + std::floor((h - kIcon) / 2);
  SetColour(cr, palette::kPinkDeep);
  Handset(cr, x, iconY, kIcon);
  double at = DrawLine(cr, contacts.phone, bold, palette::kGreyStrong, {x + kIcon + kGap, y, phoneWidth + 1, h},
                       Align::kLeft);
  at += kBetween;
  SetColour(cr, palette::kPinkDeep);
  Envelope(cr, at, iconY + 2, kIcon, 9);
  DrawLine(cr, contacts.email, plain, palette::kPink, {at + kIcon + kGap, y, mailWidth + 1, h}, Align::kLeft);
  return total;
}

}  // namespace

void Handset(cairo_t* cr, double x, double y, double size) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, size / 12.0, size / 12.0);
  // A classic receiver: two ear pieces joined by a curved grip.
  cairo_move_to(cr, 1.2, 2.6);
  cairo_curve_to(cr, 1.2, 1.6, 2.0, 0.8, 3.0, 0.8);
  cairo_line_to(cr, 4.2, 3.4);
  cairo_line_to(cr, 3.0, 4.8);
  cairo_curve_to(cr, 3.6, 6.6, 5.4, 8.4, 7.2, 9.0);
  cairo_line_to(cr, 8.6, 7.8);
  cairo_line_to(cr, 11.2, 9.0);
  cairo_curve_to(cr, 11.2, 10.0, 10.4, 10.8, 9.4, 10.8);
  cairo_curve_to(cr, 5.0, 10.8, 1.2, 7.0, 1.2, 2.6);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_restore(cr);
}

void Envelope(cairo_t* cr, double x, double y, double w, double h) {
  cairo_save(cr);
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_rectangle(cr, x + 0.6, y + 0.6, w - 1.2, h - 1.2);
  cairo_stroke(cr);
  cairo_move_to(cr, x + 0.6, y + 0.8);
  cairo_line_to(cr, x + w / 2, y + h * 0.58);
  cairo_line_to(cr, x + w - 0.6, y + 0.8);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void Headset(cairo_t* cr, double x, double y, double size) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, size / 20.0, size / 20.0);
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_arc(cr, 10, 10.5, 7.2, kPi, 2 * kPi);
  cairo_stroke(cr);
  RoundedRect(cr, 1.4, 9.5, 4, 6.5, 1.5);
  RoundedRect(cr, 14.6, 9.5, 4, 6.5, 1.5);
  cairo_fill(cr);
  // Microphone boom.
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, 16.6, 16);
  cairo_curve_to(cr, 16.6, 18.6, 14.5, 19, 11.5, 19);
  cairo_stroke(cr);
  cairo_arc(cr, 10.6, 19, 1.4, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_restore(cr);
}

void PaintMonitor(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  GroundShadow(cr, width / 2.0, 80, 30, 4, 0.16);
  // Stand.
  cairo_move_to(cr, 39, 61);
  cairo_line_to(cr, 51, 61);
  cairo_line_to(cr, 53, 73);
  cairo_line_to(cr, 37, 73);
  cairo_close_path(cr);
  FillVertical(cr, 61, 73, {150, 150, 158}, {196, 196, 204});
  RoundedRect(cr, 27, 72, 36, 6, 3);
  FillVertical(cr, 72, 78, {206, 206, 214}, {160, 160, 168});
  // Bezel and screen.
  RoundedRect(cr, 7, 10, 76, 53, 4);
  FillVertical(cr, 10, 63, {88, 88, 98}, {56, 56, 64});
  cairo_rectangle(cr, 11, 14, 68, 43);
  FillVertical(cr, 14, 57, palette::kWhite, palette::kPinkTint);
  // On screen: a payment window with the mark and two text rows.
  RoundedRect(cr, 21, 21, 48, 30, 2.5);
  SetColour(cr, palette::kWhite);
  cairo_fill_preserve(cr);
  SetColour(cr, palette::kPinkPale);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_rectangle(cr, 21.5, 21.5, 47, 6);
  SetColour(cr, palette::kPink);
  cairo_fill(cr);
  LogoMark(cr, 26, 31, 14, false);
  RoundedRect(cr, 44, 33, 19, 3, 1.5);
  RoundedRect(cr, 44, 40, 14, 3, 1.5);
  SetColour(cr, palette::kHairline);
  cairo_fill(cr);
  // Power light.
  cairo_arc(cr, 45, 60.2, 1, 0, 2 * kPi);
  SetColour(cr, palette::kPinkLight);
  cairo_fill(cr);
}

void PaintGlobe(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const double cx = width / 2.0;
  const double cy = 42;
  const double r = 31;
  GroundShadow(cr, cx, 80, 28, 4, 0.16);

  cairo_pattern_t* sphere = cairo_pattern_create_radial(cx - 10, cy - 12, 4, cx, cy, r);
  const Rgb light = Mix(palette::kPinkLight, palette::kWhite, 0.25);
  cairo_pattern_add_color_stop_rgb(sphere, 0, light.r / 255.0, light.g / 255.0, light.b / 255.0);
  cairo_pattern_add_color_stop_rgb(sphere, 1, palette::kPinkPressed.r / 255.0, palette::kPinkPressed.g / 255.0,
                                   palette::kPinkPressed.b / 255.0);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_set_source(cr, sphere);
  cairo_fill(cr);
  cairo_pattern_destroy(sphere);

  // Meridians and parallels, clipped to the sphere.
  cairo_save(cr);
  cairo_arc(cr, cx, cy, r - 0.5, 0, 2 * kPi);
  cairo_clip(cr);
  SetColour(cr, palette::kWhite, 0.7);
  cairo_set_line_width(cr, 1.4);
  for (double k : {0.38, 0.78}) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, k, 1);
    cairo_arc(cr, 0, 0, r, 0, 2 * kPi);
    cairo_restore(cr);
    cairo_stroke(cr);
  }
  cairo_move_to(cr, cx, cy - r);
  cairo_line_to(cr, cx, cy + r);
  cairo_stroke(cr);
  for (double dy : {-0.55, 0.0, 0.55}) {
    const double y = cy + dy * r;
    const double half = std::sqrt(r * r - (dy * r) * (dy * r));
    cairo_move_to(cr, cx - half, y);
    cairo_line_to(cr, cx + half, y);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
  // Rim and a soft shine at the upper left.
  cairo_arc(cr, cx, cy, r - 0.5, 0, 2 * kPi);
  SetColour(cr, palette::kPinkShadow, 0.6);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_save(cr);
  cairo_translate(cr, cx - 12, cy - 15);
  cairo_rotate(cr, -0.6);
  cairo_scale(cr, 9, 5);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
  SetColour(cr, palette::kWhite, 0.28);
  cairo_fill(cr);
}

void PaintTrack(cairo_t* cr, int width, int height) {
  // Inner well: slightly darker at the top, as if pressed into the panel.
  cairo_rectangle(cr, 0, 0, width, height);
  FillVertical(cr, 0, height, {226, 226, 232}, {244, 244, 247});
  const Rgb frame{206, 206, 213};
  HLine(cr, 0, width - 1, 0, frame);
  HLine(cr, 0, width - 1, height - 1, frame);
  VLine(cr, 0, 0, height - 1, frame);
  VLine(cr, width - 1, 0, height - 1, frame);
}

void PaintFill(cairo_t* cr, int width, int height, bool failed) {
  const Rgb top = failed ? palette::kRedLight : palette::kPinkLight;
  const Rgb bottom = failed ? palette::kRed : palette::kPinkDeep;
  const Rgb frame = failed ? palette::kRedDark : palette::kPinkShadow;
  cairo_rectangle(cr, 0, 0, width, height);
  FillVertical(cr, 1, height - 1, top, bottom);
  // A lighter row under the top frame gives the bar its rounded look.
  HLine(cr, 0, width - 1, 1, Mix(top, palette::kWhite, 0.3));
  HLine(cr, 0, width - 1, 0, frame);
  HLine(cr, 0, width - 1, height - 1, frame);
}

void PaintErrorMark(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  cairo_arc(cr, cx, cy, std::min(width, height) / 2.0 - 0.3, 0, 2 * kPi);
  FillVertical(cr, 0, height, palette::kRedLight, palette::kRedDark);
  Cross(cr, cx, cy, 3.4, 2, palette::kWhite);
}

void PaintContactBanner(cairo_t* cr, int width, int height, const Contacts& contacts) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, 6);
  SetColour(cr, palette::kPinkTint);
  cairo_fill_preserve(cr);
  SetColour(cr, palette::kPinkPale);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  // Headset in a pink disc on the left.
  constexpr double kDisc = 34;
  const double discX = 9;
  const double discY = (height - kDisc) / 2;
  cairo_arc(cr, discX + kDisc / 2, discY + kDisc / 2, kDisc / 2, 0, 2 * std::numbers::pi);
  FillVertical(cr, discY, discY + kDisc, palette::kPinkLight, palette::kPinkDeep);
  SetColour(cr, palette::kWhite);
  Headset(cr, discX + 7, discY + 6, 20);

  const double textX = discX + kDisc + 10;
  const double textW = width - textX - 8;
  const Font sentence{fonts::kGothic, 700, 12};
  DrawLine(cr, "결제가 계속 되지 않으면 고객센터로 문의해 주세요.", sentence, palette::kInk, {textX, 7, textW, 16},
           Align::kLeft);
  Font bold{fonts::kGothic, 700, 12};
  Font plain{fonts::kGothic, 400, 12};
  while (ContactLine(cr, 0, 0, 0, bold, plain, contacts, false) > textW) {
    bold.px -= 0.5;
    plain.px -= 0.5;
    if (plain.px < 10) throw ArtworkError("support telephone and e-mail do not fit the contact banner");
  }
  ContactLine(cr, textX, 26, 17, bold, plain, contacts, true);
}
