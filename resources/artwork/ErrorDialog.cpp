#include "resources/artwork/ErrorDialog.h"

#include <cmath>
#include <numbers>

#include "resources/artwork/Layout.h"
#include "resources/artwork/Palette.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"

void PaintErrorTitle(cairo_t* cr, int width, int height) {
  TitleBar(cr, width, height, "오류내용 자세히보기", 14);
}

void PaintErrorBody(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  VLine(cr, 0, 0, height - 1, palette::kBorder);
  VLine(cr, width - 1, 0, height - 1, palette::kBorder);
  HLine(cr, 0, width - 1, height - 1, palette::kBorder);

  // A headset beside the contacts and the help question, in the margin the
  // dialog leaves free left of them.
  const double top = -layout::kErrorTitleHeight;
  const double cx = 40;
  const double cy = top + 196;
  constexpr double kRadius = 15;
  cairo_arc(cr, cx, cy, kRadius, 0, 2 * std::numbers::pi);
  SetColour(cr, palette::kPinkTint);
  cairo_fill_preserve(cr);
  SetColour(cr, palette::kPinkPale);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  SetColour(cr, palette::kPinkDeep);
  Headset(cr, cx - 9, cy - 9.5, 18);
}

void PaintSeparator(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kHairline);
}

void PaintAdvice(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const Font font{fonts::kGothic, 400, 12};
  const char* lines[2] = {"인터넷 연결 상태를 확인하신 후 전자결제 마법사를 다시 실행해 주십시오.",
                          "같은 문제가 다시 발생하면 고객센터로 문의해 주시기 바랍니다."};
  const double rowHeight = height / 2.0;
  for (int i = 0; i < 2; ++i) {
    const double y = std::floor(i * rowHeight);
    cairo_arc(cr, 3.5, y + rowHeight / 2, 1.6, 0, 2 * std::numbers::pi);
    SetColour(cr, palette::kPink);
    cairo_fill(cr);
    DrawLine(cr, lines[i], font, palette::kGreyText, {10, y, width - 10.0, std::floor(rowHeight)}, Align::kLeft);
  }
}

void PaintErrorContacts(cairo_t* cr, int width, int height, const Contacts& contacts) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const Font label{fonts::kGothic, 400, 12};
  Font bold{fonts::kGothic, 700, 12};
  Font plain{fonts::kGothic, 400, 12};
  const double labelEnd = DrawLine(cr, "고객센터", label, palette::kGreyText, {0, 0, 60, double(height)}, Align::kLeft);
  constexpr double kIcon = 11;
  constexpr double kGap = 4;
  const double available = width - labelEnd - 10 - 2 * (kIcon + kGap) - 12;
  while (TextWidth(cr, contacts.phone, bold) + TextWidth(cr, contacts.email, plain) > available) {
    bold.px -= 0.5;
    plain.px -= 0.5;
    if (plain.px < 10) throw ArtworkError("support telephone and e-mail do not fit the error dialog's contact line");
  }
  const double iconY = std::floor((height - kIcon) / 2);
  double x = labelEnd + 10;
  SetColour(cr, palette::kPinkDeep);
  Handset(cr, x, iconY, kIcon);
  x = DrawLine(cr, contacts.phone, bold, palette::kGreyStrong,
               {x + kIcon + kGap, 0, TextWidth(cr, contacts.phone, bold) + 1, double(height)}, Align::kLeft);
  x += 12;
  SetColour(cr, palette::kPinkDeep);
  Envelope(cr, x, iconY + 1.5, kIcon, 8.5);
  DrawLine(cr, contacts.email, plain, palette::kPink,
           {x + kIcon + kGap, 0, TextWidth(cr, contacts.email, plain) + 1, double(height)}, Align::kLeft);
}

void PaintHelpQuestion(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const Font font{fonts::kGothic, 700, 11};
  DrawLine(cr, "오류 내용에 대하여 도움이 필요하신가요?", font, palette::kInk, {0, 0, double(width), double(height)},
           Align::kLeft);
}
