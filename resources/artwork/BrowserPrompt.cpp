#include "resources/artwork/BrowserPrompt.h"

#include "resources/artwork/Layout.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/Text.h"
#include "resources/artwork/WindowCaption.h"

void PaintBrowserBackground(cairo_t* cr, int width, int height) {
  WindowBody(cr, width, height, layout::kTitleHeight);
  TitleBar(cr, width, layout::kTitleHeight, kWindowCaption, kWindowCaptionPx);
  Panel(cr, layout::kIconPanel);
  Panel(cr, layout::kWarningPanel);
}

void PaintBrowserNotice(cairo_t* cr, int width, int height) {
  FillBox(cr, {0, 0, double(width), double(height)}, palette::kWhite);
  const Font font{fonts::kBarun, 700, 13};
  DrawLine(cr, "전자결제 마법사를 실행하기 위해 위의 브라우저를 종료합니다.", font, palette::kPinkDeep,
           {0, 0, double(width), double(height)}, Align::kCentre);
}
