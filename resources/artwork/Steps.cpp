#include "resources/artwork/Steps.h"

#include <cmath>
#include <numbers>

#include "resources/artwork/Palette.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Pictograms in a 22 x 22 square at (x, y), stroked and filled in one colour.
void User(cairo_t* cr, double x, double y) {
  cairo_arc(cr, x + 11, y + 6.5, 4.5, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_move_to(cr, x + 2, y + 21);
  cairo_curve_to(cr, x + 2, y + 14, x + 6, y + 12.5, x + 11, y + 12.5);
  cairo_curve_to(cr, x + 16, y + 12.5, x + 20, y + 14, x + 20, y + 21);
  cairo_close_path(cr);
  cairo_fill(cr);
}

void Network(cairo_t* cr, double x, double y) {
  const double nodes[3][2] = {{x + 11, y + 4}, {x + 4, y + 18}, {x + 18, y + 18}};
  cairo_set_line_width(cr, 1.8);
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    cairo_move_to(cr, nodes[i][0], nodes[i][1]);
    cairo_line_to(cr, nodes[j][0], nodes[j][1]);
  }
  cairo_stroke(cr);
  for (const auto& node : nodes) {
    cairo_arc(cr, node[0], node[1], 3.6, 0, 2 * kPi);
    cairo_fill(cr);
  }
}

void Browser(cairo_t* cr, double x, double y) {
  cairo_set_line_width(cr, 1.8);
  RoundedRect(cr, x + 1.9, y + 3.9, 18.2, 15.2, 2.5);
  cairo_stroke(cr);
  cairo_rectangle(cr, x + 2, y + 4, 18, 4.5);
  cairo_fill(cr);
  // A small globe in the page.
  cairo_arc(cr, x + 11, y + 14, 3.2, 0, 2 * kPi);
  cairo_set_line_width(cr, 1.3);
  cairo_stroke(cr);
  cairo_move_to(cr, x + 7.8, y + 14);
  cairo_line_to(cr, x + 14.2, y + 14);
  cairo_stroke(cr);
}

void Install(cairo_t* cr, double x, double y) {
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // Tray.
  cairo_move_to(cr, x + 2, y + 13);
  cairo_line_to(cr, x + 2, y + 19.5);
  cairo_line_to(cr, x + 20, y + 19.5);
  cairo_line_to(cr, x + 20, y + 13);
  cairo_stroke(cr);
  // Arrow down into it.
  cairo_move_to(cr, x + 11, y + 2);
  cairo_line_to(cr, x + 11, y + 13);
  cairo_stroke(cr);
  cairo_move_to(cr, x + 6, y + 9);
  cairo_line_to(cr, x + 11, y + 14.5);
  cairo_line_to(cr, x + 16, y + 9);
  cairo_stroke(cr);
}

void Done(cairo_t* cr, double x, double y) {
  cairo_set_line_width(cr, 1.8);
  cairo_arc(cr, x + 11, y + 11, 9.3, 0, 2 * kPi);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 2.2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, x + 6.5, y + 11.5);
  cairo_line_to(cr, x + 9.8, y + 14.6);
  cairo_line_to(cr, x + 15.8, y + 7.8);
  cairo_stroke(cr);
}

void Pictogram(cairo_t* cr, StepPictogram which, double x, double y) {
  switch (which) {
    case StepPictogram::kUser: return User(cr, x, y);
    case StepPictogram::kNetwork: return Network(cr, x, y);
    case StepPictogram::kBrowser: return Browser(cr, x, y);
    case StepPictogram::kInstall: return Install(cr, x, y);
    case StepPictogram::kDone: return Done(cr, x, y);
  }
}

}  // namespace

void PaintStep(cairo_t* cr, int width, int height, StepPictogram pictogram, std::string_view caption, bool active) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  constexpr double kInset = 2;
  RoundedRect(cr, kInset + 0.5, kInset + 0.5, width - 2 * kInset - 1, height - 2 * kInset - 1, 6);
  if (active) {
    FillVertical(cr, kInset, height - kInset, palette::kPinkLight, palette::kPinkDeep);
    RoundedRect(cr, kInset + 0.5, kInset + 0.5, width - 2 * kInset - 1, height - 2 * kInset - 1, 6);
    SetColour(cr, palette::kPinkShadow);
  } else {
    SetColour(cr, {246, 246, 248});
    cairo_fill_preserve(cr);
    SetColour(cr, palette::kHairline);
  }
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  SetColour(cr, active ? palette::kWhite : palette::kGreyIcon);
  Pictogram(cr, pictogram, std::floor((width - 22) / 2.0), 7);

  const Font font{fonts::kBarun, 700, 11};
  DrawLine(cr, caption, font, active ? palette::kWhite : palette::kGreyMute,
           {kInset + 1, 32, width - 2 * kInset - 2, 15}, Align::kCentre);
}

void PaintStepArrow(cairo_t* cr, int width, int height, bool active) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  cairo_set_line_width(cr, 2.4);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, cx - 2.5, cy - 5.5);
  cairo_line_to(cr, cx + 3, cy);
  cairo_line_to(cr, cx - 2.5, cy + 5.5);
  SetColour(cr, active ? palette::kPink : palette::kGreyIcon);
  cairo_stroke(cr);
}
