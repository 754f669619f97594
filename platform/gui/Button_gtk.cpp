#include "platform/gui/Button.h"

#include "platform/gui/DC.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

void SetPushed(WindowData* w, bool pushed) {
  if (w->buttonPushed == pushed) return;
  w->buttonPushed = pushed;
  InvalidateWindowArea(w, nullptr);
}

void DrawPlainButton(DC& dc, const WindowData* w) {
  const Rect rc{0, 0, Width(w->rect), Height(w->rect)};
  dc.FillSolidRect(rc, RGB(160, 160, 160));
  dc.FillSolidRect({1, 1, rc.right - 1, rc.bottom - 1}, w->buttonPushed ? RGB(204, 204, 204) : RGB(229, 229, 229));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor((w->style & WS_DISABLED) ? RGB(160, 160, 160) : RGB(0, 0, 0));
  Rect text = rc;
  if (w->buttonPushed) text = OffsetRect(text, 1, 1);
  dc.DrawText(w->text, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

}  // namespace

LRESULT ButtonWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam) {
  const Rect client{0, 0, Width(w->rect), Height(w->rect)};
  switch (message) {
    case WM_LBUTTONDOWN:
      if (w->object) w->object->SetCapture();
      w->buttonTracking = true;
      SetPushed(w, true);
      return 0;
    case WM_MOUSEMOVE:
      if (w->buttonTracking && GetCapture() == w) SetPushed(w, PtInRect(client, PointFromLParam(lParam)));
      return 0;
    case WM_LBUTTONUP: {
      if (!w->buttonTracking) return 0;
      const bool inside = PtInRect(client, PointFromLParam(lParam));
      const uint64_t serial = w->serial;
      w->buttonTracking = false;
      SetPushed(w, false);
      if (GetCapture() == w) ReleaseCapture();
      // A click counts only when the button is released over the control.
      if (inside && LookUp(w) && w->serial == serial && w->parent)
        SendMessage(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<int>(w->id), BN_CLICKED), reinterpret_cast<LPARAM>(w));
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (w->buttonTracking) {
        w->buttonTracking = false;
        SetPushed(w, false);
      }
      return 0;
    case WM_ERASEBKGND: return TRUE;
    case WM_PAINT: {
      PaintDC dc(w->object);
      if ((w->style & BS_TYPEMASK) == BS_OWNERDRAW) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = w->id;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (w->buttonPushed ? ODS_SELECTED : 0) | ((w->style & WS_DISABLED) ? ODS_DISABLED : 0);
        dis.hwndItem = w;
        dis.pDC = &dc;
        dis.rcItem = client;
        if (w->parent) SendMessage(w->parent, WM_DRAWITEM, w->id, reinterpret_cast<LPARAM>(&dis));
      } else {
        DrawPlainButton(dc, w);
      }
      return 0;
    }
    default: return GenericWindowProc(w, message, wParam, lParam);
  }
}

UINT Button::GetState() const {
  WindowData* w = LookUp(m_hWnd);
  return w && w->buttonPushed ? BST_PUSHED : 0;
}

}  // namespace platform::gui
