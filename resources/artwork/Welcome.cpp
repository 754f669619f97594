#include "resources/artwork/Welcome.h"

#include <cmath>

#include "resources/artwork/Layout.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"
#include "resources/artwork/WindowCaption.h"

namespace {

// The heading area's colour; the heading picture is painted on the same.
constexpr Rgb kHeadingBand = palette::kPinkTint;

}  // namespace

void PaintWelcomeBackground(cairo_t* cr, int width, int height) {
  WindowBody(cr, width, height, layout::kTitleHeight);
  TitleBar(cr, width, layout::kTitleHeight, kWindowCaption, kWindowCaptionPx);
  const Box panel = layout::kWelcomePanel;
  Panel(cr, panel);
  // Tint the panel above the split, inside its frame.
  cairo_save(cr);
  RoundedRect(cr, panel.x + 1, panel.y + 1, panel.w - 2, panel.h - 2, 4);
  cairo_clip(cr);
  FillBox(cr, {panel.x + 1, panel.y + 1, panel.w - 2, layout::kWelcomeSplitY - panel.y - 1}, kHeadingBand);
  cairo_restore(cr);
  HLine(cr, int(panel.x) + 1, int(panel.x + panel.w) - 2, layout::kWelcomeSplitY, palette::kPinkPale);
}

void PaintWelcomeHeading(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, kHeadingBand);
  const char* lead = "전자결제창 마법사";
  const char* rest = "를 시작합니다";
  constexpr double kLogo = 20;
  constexpr double kGap = 7;
  const Font font = FitFont(cr, std::string(lead) + rest, {fonts::kRound, 700, 17}, width - kLogo - kGap, 14,
                            "welcome heading");
  const double leadWidth = TextWidth(cr, lead, font);
  const double restWidth = TextWidth(cr, rest, font);
  const double total = kLogo + kGap + leadWidth + restWidth;
  const double x = std::floor((width - total) / 2);
  LogoMark(cr, x, std::floor((height - kLogo) / 2), kLogo, false);
  const double leadEnd =
      DrawLine(cr, lead, font, palette::kPinkDeep, {x + kLogo + kGap, 0, leadWidth, double(height)}, Align::kLeft);
  DrawLine(cr, rest, font, palette::kInk, {leadEnd, 0, restWidth, double(height)}, Align::kLeft);
}
