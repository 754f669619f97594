#include "platform/gui/Window.h"

#include <algorithm>
#include <utility>

#include "platform/gui/DC.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/WindowData.h"

namespace platform::gui {

namespace {

WindowKind KindOfClass(std::string_view className) {
  if (className == "Button") return WindowKind::kButton;
  if (className == "#32770") return WindowKind::kDialog;
  return WindowKind::kGeneric;
}

}  // namespace

Window::Window() = default;

Window::~Window() {
  if (WindowData* w = LookUp(m_hWnd)) {
    if (w->object == this) {
      DestroyWindow();
    } else {
      // Subclassed away: only detach from the stack.
      auto& stack = w->previousObjects;
      stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
    }
  }
}

Window* Window::FromHandle(HWND hWnd) {
  WindowData* w = LookUp(hWnd);
  return w ? w->object : nullptr;
}

BOOL Window::CreateEx(DWORD dwExStyle, std::string_view className, std::string_view windowName, DWORD dwStyle,
                      const Rect& rect, Window* pParent, UINT nID) {
  if (m_hWnd) return FALSE;
  const HWND hWnd = CreateWindowData(KindOfClass(className), className, windowName, dwStyle & ~WS_VISIBLE,
                                     dwExStyle, rect, pParent ? pParent->m_hWnd : nullptr, nID, this);
  if (!hWnd) return FALSE;
  m_hWnd = hWnd;
  // As MFC does for every window it creates, not only subclassed ones.
  PreSubclassWindow();
  if (SendMessage(WM_CREATE) == -1) {
    DestroyWindow();
    return FALSE;
  }
  if (dwStyle & WS_VISIBLE) ShowWindow(SW_SHOW);
  return TRUE;
}

BOOL Window::DestroyWindow() {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return FALSE;
  const HWND hWnd = m_hWnd;
  TakeOffScreen(w);
  SendMessage(WM_DESTROY);
  if (!LookUp(hWnd)) return TRUE;
  std::vector<WindowData*> children = w->children;
  for (WindowData* child : children) {
    if (!LookUp(child)) continue;
    if (Window* object = child->object) object->DestroyWindow();
    else DestroyWindowData(child);
  }
  ::platform::gui::SendMessage(hWnd, WM_NCDESTROY);
  DestroyWindowData(hWnd);
  // The objects the layer made for the window's controls go with it.
  std::vector<Window*> objects = w->previousObjects;
  objects.push_back(w->object);
  for (Window* object : objects)
    if (object && object->m_hWnd == hWnd) object->m_hWnd = nullptr;
  w->ownedObject.reset();
  w->object = nullptr;
  w->previousObjects.clear();
  CollectDestroyedWindows();
  return TRUE;
}

BOOL Window::SubclassWindow(HWND hWnd) {
  WindowData* w = LookUp(hWnd);
  if (!w || m_hWnd) return FALSE;
  if (w->object == this) return TRUE;
  m_hWnd = hWnd;
  PreSubclassWindow();
  if (w->object) w->previousObjects.push_back(w->object);
  w->object = this;
  return TRUE;
}

HWND Window::UnsubclassWindow() {
  WindowData* w = LookUp(m_hWnd);
  if (!w || w->object != this || w->previousObjects.empty()) return nullptr;
  w->object = w->previousObjects.back();
  w->previousObjects.pop_back();
  return std::exchange(m_hWnd, nullptr);
}

LRESULT Window::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return 0;
  switch (w->kind) {
    case WindowKind::kButton: return ButtonWindowProc(w, message, wParam, lParam);
    case WindowKind::kDialog: return DialogWindowProc(w, message, wParam, lParam);
    default: return GenericWindowProc(w, message, wParam, lParam);
  }
}

void Window::InvalidateRect(const Rect* pRect, BOOL bErase) {
  (void)bErase;  // every paint erases here (see PaintDC)
  if (!IsUiThread()) {
    PostInvalidate(m_hWnd, pRect);
    return;
  }
  if (WindowData* w = LookUp(m_hWnd)) InvalidateWindowArea(w, pRect);
}

BOOL Window::ShowWindow(int nCmdShow) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) != 0;
  switch (nCmdShow) {
    case SW_HIDE: SetWindowVisible(w, false); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      if (!w->parent) {
        SetWindowVisible(w, true);
        MinimiseTopLevel(w, true);
      }
      break;
    case SW_RESTORE:
      SetWindowVisible(w, true);
      if (!w->parent) MinimiseTopLevel(w, false);
      break;
    default: SetWindowVisible(w, true); break;
  }
  return wasVisible;
}

BOOL Window::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return FALSE;
  Rect next = w->rect;
  if (!(nFlags & SWP_NOMOVE)) next = {x, y, x + Width(w->rect), y + Height(w->rect)};
  if (!(nFlags & SWP_NOSIZE)) next.right = next.left + std::max(0, cx), next.bottom = next.top + std::max(0, cy);
  const bool moved = next.left != w->rect.left || next.top != w->rect.top;
  const bool resized = Width(next) != Width(w->rect) || Height(next) != Height(w->rect);
  bool restacked = false;
  if (w->parent && !(nFlags & SWP_NOZORDER)) {
    auto& siblings = w->parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), w);
    const size_t before = static_cast<size_t>(it - siblings.begin());
    siblings.erase(it);
    WindowData* after = LookUp(hWndInsertAfter);
    if (hWndInsertAfter == HWND_BOTTOM) siblings.push_back(w);
    else if (after && after->parent == w->parent) siblings.insert(std::find(siblings.begin(), siblings.end(), after) + 1, w);
    else siblings.insert(siblings.begin(), w);
    restacked = static_cast<size_t>(std::find(siblings.begin(), siblings.end(), w) - siblings.begin()) != before;
  }
  if (moved || resized) {
    if (w->parent) {
      InvalidateWindowArea(w->parent, &w->rect);
      w->rect = next;
      InvalidateWindowArea(w->parent, &w->rect);
    } else {
      w->rect = next;
      ApplyTopLevelGeometry(w, moved, resized);
      if (resized) InvalidateWindowArea(w, nullptr);
    }
  } else if (restacked) {
    InvalidateWindowArea(w, nullptr);
  }
  if (nFlags & SWP_SHOWWINDOW) SetWindowVisible(w, true);
  if (nFlags & SWP_HIDEWINDOW) SetWindowVisible(w, false);
  return TRUE;
}

void Window::GetClientRect(Rect* pRect) const {
  WindowData* w = LookUp(m_hWnd);
  if (w && pRect) *pRect = {0, 0, Width(w->rect), Height(w->rect)};
}

void Window::ClientToScreen(Point* pPoint) const {
  Rect rc;
  GetWindowRect(&rc);
  if (pPoint) *pPoint = {pPoint->x + rc.left, pPoint->y + rc.top};
}

void Window::ScreenToClient(Point* pPoint) const {
  Rect rc;
  GetWindowRect(&rc);
  if (pPoint) *pPoint = {pPoint->x - rc.left, pPoint->y - rc.top};
}

void Window::CenterWindow() {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return;
  Rect area{0, 0, ScreenSize().cx, ScreenSize().cy};
  if (w->parent) {
    area = {0, 0, Width(w->parent->rect), Height(w->parent->rect)};
  } else if (w->owner && (w->owner->style & WS_VISIBLE) && !w->owner->iconic) {
    area = w->owner->rect;
  }
  const int x = area.left + (Width(area) - Width(w->rect)) / 2;
  const int y = area.top + (Height(area) - Height(w->rect)) / 2;
  SetWindowPos(nullptr, std::max(0, x), std::max(0, y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetWindowText(std::string_view text) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return;
  w->text = text;
  ApplyTitle(w);
  InvalidateWindowArea(w, nullptr);
}

std::string Window::GetWindowText() const {
  WindowData* w = LookUp(m_hWnd);
  return w ? w->text : std::string();
}

BOOL Window::IsWindowVisible() const {
  for (WindowData* w = LookUp(m_hWnd); w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return FALSE;
  return m_hWnd && LookUp(m_hWnd) ? TRUE : FALSE;
}

BOOL Window::IsIconic() const {
  WindowData* w = LookUp(m_hWnd);
  return w && w->iconic;
}

BOOL Window::EnableWindow(BOOL bEnable) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
  if (bEnable) w->style &= ~WS_DISABLED;
  else w->style |= WS_DISABLED;
  if (wasDisabled != !bEnable) InvalidateWindowArea(w, nullptr);
  return wasDisabled;
}

BOOL Window::IsWindowEnabled() const {
  WindowData* w = LookUp(m_hWnd);
  return w && !(w->style & WS_DISABLED);
}

DWORD Window::GetStyle() const {
  WindowData* w = LookUp(m_hWnd);
  return w ? w->style : 0;
}

intptr_t Window::GetWindowLong(int nIndex) const {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return 0;
  if (nIndex == GWL_STYLE) return static_cast<intptr_t>(w->style);
  if (nIndex == GWL_EXSTYLE) return static_cast<intptr_t>(w->exStyle);
  return 0;
}

intptr_t Window::SetWindowLong(int nIndex, intptr_t dwNewLong) {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return 0;
  DWORD* field = nIndex == GWL_STYLE ? &w->style : nIndex == GWL_EXSTYLE ? &w->exStyle : nullptr;
  if (!field) return 0;
  const DWORD previous = *field;
  *field = static_cast<DWORD>(dwNewLong);
  return static_cast<intptr_t>(previous);
}

Window* Window::GetDlgItem(int nID) const {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return nullptr;
  for (WindowData* child : w->children)
    if (static_cast<int>(child->id) == nID) return child->object;
  return nullptr;
}

int Window::GetDlgCtrlID() const {
  WindowData* w = LookUp(m_hWnd);
  return w ? static_cast<int>(w->id) : 0;
}

Window* Window::GetParent() const {
  WindowData* w = LookUp(m_hWnd);
  if (!w) return nullptr;
  WindowData* parent = w->parent ? w->parent : w->owner;
  return parent ? parent->object : nullptr;
}

void Window::SetIcon(const Icon* pIcon, BOOL bBigIcon) {
  SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(pIcon));
}

int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN: return ScreenSize().cx;
    case SM_CYSCREEN: return ScreenSize().cy;
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
  }
}

// ---------------------------------------------------------------- default processing
LRESULT GenericWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintDC dc(w->object);
      return 0;
    }
    case WM_ERASEBKGND: {
      auto* pDC = reinterpret_cast<DC*>(wParam);
      if (pDC && !w->parent) {
        Rect rc{0, 0, Width(w->rect), Height(w->rect)};
        pDC->FillSolidRect(rc, w->kind == WindowKind::kDialog ? RGB(240, 240, 240) : RGB(255, 255, 255));
      }
      return TRUE;
    }
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION && !w->parent) BeginMoveDrag(w);
      return 0;
    case WM_CLOSE:
      if (w->object) w->object->DestroyWindow();
      return 0;
    case WM_SETTEXT:
      if (w->object) w->object->SetWindowText(reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_SETICON: {
      const Icon*& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
      const Icon* previous = slot;
      slot = reinterpret_cast<const Icon*>(lParam);
      ApplyIcons(w);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(w->bigIcon);
    case WM_SYSCOMMAND:
      if (w->object && (wParam & 0xFFF0) == SC_MINIMIZE) w->object->ShowWindow(SW_MINIMIZE);
      if (w->object && (wParam & 0xFFF0) == SC_RESTORE) w->object->ShowWindow(SW_RESTORE);
      return 0;
    default: return 0;
  }
}

// ---------------------------------------------------------------- PaintDC
PaintDC::PaintDC(Window* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
  WindowData* w = LookUp(m_hWnd);
  if (!w || !w->paintTarget) return;
  AttachNative(w->paintTarget);
  m_ps.rcPaint = w->paintClip;
  IntersectClipRect(w->paintClip);
  m_ps.fErase = w->erasePending;
  if (w->erasePending) {
    w->erasePending = false;
    ScopedDCState state(this);
    // TRUE from the handler means it erased (or chose not to); either way
    // the flag is cleared, as BeginPaint does.
    ::platform::gui::SendMessage(m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<DC*>(this)), 0);
  }
}

PaintDC::~PaintDC() = default;

}  // namespace platform::gui
