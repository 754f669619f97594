#include "resources/artwork/Buttons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"

namespace {

struct ButtonLook {
  Rgb top;
  Rgb bottom;
  Rgb frame;
  Rgb caption;
  double shine;  // opacity of the white highlight on the upper half
};

ButtonLook LookOf(ButtonStyle style, ButtonState state) {
  using namespace palette;
  switch (style) {
    case ButtonStyle::kPrimary:
      if (state == ButtonState::kHover) return {Mix(kPinkLight, kWhite, 0.12), kPink, kPinkDeep, kWhite, 0.16};
      if (state == ButtonState::kPressed) return {kPinkDeep, kPinkPressed, kPinkShadow, kWhite, 0.0};
      return {kPinkLight, kPinkDeep, kPinkShadow, kWhite, 0.12};
    case ButtonStyle::kSecondary:
      if (state == ButtonState::kHover) return {kWhite, kPinkTint, kPink, kPinkDeep, 0.0};
      if (state == ButtonState::kPressed) return {{226, 226, 231}, {236, 236, 240}, {170, 170, 178}, kInk, 0.0};
      return {kWhite, {240, 240, 243}, kBorder, {80, 80, 84}, 0.0};
    case ButtonStyle::kOutline:
      if (state == ButtonState::kHover) return {kPinkTint, Mix(kPinkTint, kPinkPale, 0.4), kPink, kPink, 0.0};
      if (state == ButtonState::kPressed) return {kPinkPale, kPinkTint, kPinkDeep, kPinkPressed, 0.0};
      return {kWhite, kWhite, kPinkLight, kPinkDeep, 0.0};
  }
  return {};
}

}  // namespace

void PaintPushButton(cairo_t* cr, int width, int height, std::string_view caption, ButtonStyle style,
                     ButtonState state, Rgb backdrop) {
  const ButtonLook look = LookOf(style, state);
  const bool pressed = state == ButtonState::kPressed;
  FillBox(cr, {0, 0, double(width), double(height)}, backdrop);
  constexpr double kRadius = 4;

  RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, kRadius);
  FillVertical(cr, 0, height, look.top, look.bottom);
  if (look.shine > 0) {
    RoundedRect(cr, 1.5, 1.5, width - 3, height / 2.0 - 1.5, kRadius - 1);
    SetColour(cr, palette::kWhite, look.shine);
    cairo_fill(cr);
  }
  if (pressed) {
    // An inner shadow along the top edge: the face sits lower than its frame.
    cairo_save(cr);
    RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, kRadius);
    cairo_clip(cr);
    HLine(cr, 1, width - 2, 1, Mix(look.top, {0, 0, 0}, 0.12));
    cairo_restore(cr);
  }
  RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, kRadius);
  SetColour(cr, look.frame);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  const double shift = pressed ? 1 : 0;
  const Font font{fonts::kBarun, 700, 13};
  DrawLine(cr, caption, font, look.caption, {2 + shift, shift, width - 4.0, double(height)}, Align::kCentre);
}

void PaintTextButton(cairo_t* cr, int width, int height, std::string_view caption, ButtonState state) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const bool pressed = state == ButtonState::kPressed;
  const bool hover = state == ButtonState::kHover;
  const Rgb colour = pressed ? palette::kPinkPressed : hover ? palette::kPink : palette::kPinkDeep;
  const Font font{fonts::kGothic, 700, 12, hover};
  const double shift = pressed ? 1 : 0;
  DrawLine(cr, caption, font, colour, {shift, shift, double(width), double(height)}, Align::kLeft);
}

void PaintBandClose(cairo_t* cr, int bandWidth, int bandHeight, int x, int y, int width, int height,
                    ButtonState state) {
  cairo_save(cr);
  cairo_translate(cr, -x, -y);
  TitleBand(cr, bandWidth, bandHeight);
  cairo_restore(cr);

  const double cx = width / 2.0;
  const double cy = height / 2.0;
  const double shift = state == ButtonState::kPressed ? 1 : 0;
  if (state != ButtonState::kNormal) {
    cairo_arc(cr, cx + shift, cy + shift, std::min(width, height) / 2.0 - 0.5, 0, 2 * std::numbers::pi);
    if (state == ButtonState::kHover) {
      SetColour(cr, palette::kWhite, 0.28);
    } else {
      SetColour(cr, palette::kPinkShadow, 0.85);
    }
    cairo_fill(cr);
  }
  Cross(cr, cx + shift, cy + shift, 3.5, 1.6, palette::kWhite);
}
