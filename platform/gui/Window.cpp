#include "platform/gui/Window.h"

#include "platform/gui/CurrentMessage.h"

namespace platform::gui {

// What both window backends share: the dispatch of messages to the handler
// virtuals, the handlers' default processing and MFC's reflection of owner
// drawing to the control.

BOOL Window::SubclassDlgItem(UINT nID, Window* pParent) {
  Window* control = pParent ? pParent->GetDlgItem(static_cast<int>(nID)) : nullptr;
  return control ? SubclassWindow(control->m_hWnd) : FALSE;
}

void Window::PreSubclassWindow() {}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT result = DispatchToHandlers(message, wParam, lParam, &handled);
  return handled ? result : DefWindowProc(message, wParam, lParam);
}

LRESULT Window::DispatchToHandlers(UINT message, WPARAM wParam, LPARAM lParam, bool* pHandled) {
  *pHandled = true;
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<DC*>(wParam));
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(wParam), PointFromLParam(lParam)); return 0;
    case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(wParam), PointFromLParam(lParam)); return 0;
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(wParam), PointFromLParam(lParam)); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(); return 0;
    case WM_DRAWITEM:
      OnDrawItem(static_cast<int>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (OnCommand(wParam, lParam)) return 0;
      *pHandled = false;
      return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProc(message, wParam, lParam);
      PostNcDestroy();
      return result;
    }
    default: *pHandled = false; return 0;
  }
}

LRESULT Window::Default() {
  const CurrentMessage* current = CurrentMessageOnThread();
  if (!current || current->hWnd != m_hWnd) return 0;
  return DefWindowProc(current->message, current->wParam, current->lParam);
}

LRESULT Window::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::platform::gui::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL Window::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::platform::gui::PostMessage(m_hWnd, message, wParam, lParam);
}

void Window::PostMessage(uint32_t message) { ::platform::gui::PostMessage(m_hWnd, message, 0, 0); }

void Window::InvalidateRect(const Rect& rect) { InvalidateRect(&rect, TRUE); }

BOOL Window::MoveWindow(int x, int y, int cx, int cy, BOOL) {
  return SetWindowPos(nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::OnPaint() { Default(); }
BOOL Window::OnEraseBkgnd(DC*) { return static_cast<BOOL>(Default()); }
void Window::OnTimer(UINT_PTR) { Default(); }
void Window::OnLButtonDown(UINT, Point) { Default(); }
void Window::OnLButtonUp(UINT, Point) { Default(); }
void Window::OnMouseMove(UINT, Point) { Default(); }
void Window::OnMouseLeave() { Default(); }

void Window::OnDrawItem(int, DRAWITEMSTRUCT* lpDrawItemStruct) {
  // MFC's reflection: the control draws itself.
  if (lpDrawItemStruct) {
    if (Window* control = FromHandle(lpDrawItemStruct->hwndItem)) {
      LRESULT result = 0;
      if (control->OnChildNotify(WM_DRAWITEM, lpDrawItemStruct->CtlID, reinterpret_cast<LPARAM>(lpDrawItemStruct),
                                 &result))
        return;
    }
  }
  Default();
}

BOOL Window::OnCommand(WPARAM, LPARAM) { return FALSE; }
void Window::OnDestroy() { Default(); }
void Window::OnClose() { Default(); }
const Icon* Window::OnQueryDragIcon() { return reinterpret_cast<const Icon*>(Default()); }
BOOL Window::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }
void Window::PostNcDestroy() {}

}  // namespace platform::gui
