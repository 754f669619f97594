#include "resources/artwork/MainWindow.h"

#include "resources/artwork/Layout.h"
#include "resources/artwork/Shapes.h"
#include "resources/artwork/WindowCaption.h"

void PaintMainBackground(cairo_t* cr, int width, int height) {
  WindowBody(cr, width, height, layout::kTitleHeight);
  TitleBar(cr, width, layout::kTitleHeight, kWindowCaption, kWindowCaptionPx);
  Panel(cr, layout::kStepPanel);
  Panel(cr, layout::kStatusPanel);
  Panel(cr, layout::kProgressPanel);
}
