#pragma once

#include "platform/gui/DC.h"
#include "platform/gui/WinUser.h"

namespace platform::gui {

class Window;

struct PAINTSTRUCT {
  BOOL fErase = FALSE;
  Rect rcPaint;
};

// BeginPaint/EndPaint (CPaintDC): the DC a WM_PAINT handler draws with,
// clipped to the area being repainted. BeginPaint first sends
// WM_ERASEBKGND with this DC when the background is to be erased (every
// paint here: the window system keeps no picture of a window between
// paints). Outside WM_PAINT the DC draws nothing.
class PaintDC : public DC {
 public:
  explicit PaintDC(Window* pWnd);
  ~PaintDC() override;
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};

}  // namespace platform::gui
