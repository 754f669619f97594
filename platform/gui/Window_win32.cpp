// The window classes over the real USER window manager: every Window object
// is attached to a real HWND whose procedure is the layer's own
// (LayerWindowProc), which hands each message to Window::WindowProc. The
// default processing is the class procedure the layer's procedure replaced
// (a BUTTON's, a dialog's) or DefWindowProcW.
#include "platform/gui/Window.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/core/Wide_win32.h"
#include "platform/gui/Button.h"
#include "platform/gui/CurrentMessage.h"
#include "platform/gui/DC.h"
#include "platform/gui/GdiNative_win32.h"
#include "platform/gui/Icon.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/WindowRecord_win32.h"

namespace platform::gui {

namespace {

RECT ToRECT(const Rect& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }
Rect FromRECT(const RECT& rc) { return {rc.left, rc.top, rc.right, rc.bottom}; }

std::unordered_map<HWND, WindowRecord> g_records;  // UI thread only

// A message being handled: what the handlers see (a DC object where the
// system passes an HDC, the layer's DRAWITEMSTRUCT) and what the system
// passed, which the default processing gets back.
struct Frame {
  CurrentMessage current;
  WPARAM nativeWParam;
  LPARAM nativeLParam;
};
std::vector<Frame> g_frames;
std::vector<std::unique_ptr<Window>> g_ownedZombies;

// The object CreateEx is making a window for; the creation hook attaches it
// before the window's first message.
Window* g_creating = nullptr;

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_creating) {
    Window* object = std::exchange(g_creating, nullptr);
    // As MFC does for every window it creates, not only subclassed ones.
    if (AttachWindow(reinterpret_cast<HWND>(wParam), object)) object->PreSubclassWindow();
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool IsButtonClass(std::string_view className) {
  return className.size() == 6 && ::CompareStringOrdinal(Widen(className).c_str(), -1, L"BUTTON", -1, TRUE) == CSTR_EQUAL;
}

// Every object that was attached to a window that is now gone loses its
// handle; the objects the layer made go once no message is being handled.
void Detach(HWND hWnd) {
  auto it = g_records.find(hWnd);
  if (it == g_records.end()) return;
  WindowRecord& record = it->second;
  for (Window* object : record.previousObjects)
    if (object && object->m_hWnd == hWnd) object->m_hWnd = nullptr;
  if (record.object && record.object->m_hWnd == hWnd) record.object->m_hWnd = nullptr;
  if (record.ownedObject) g_ownedZombies.push_back(std::move(record.ownedObject));
  g_records.erase(it);
}

LRESULT Deliver(HWND hWnd, Window* object, UINT message, WPARAM wParam, LPARAM lParam) {
  DC dc;
  NativeSurfaceRef surface;
  DRAWITEMSTRUCT item;
  WPARAM handlerWParam = wParam;
  LPARAM handlerLParam = lParam;
  if (message == WM_ERASEBKGND && wParam) {
    surface.hdc = reinterpret_cast<HDC>(wParam);
    dc.AttachNative(&surface);
    handlerWParam = reinterpret_cast<WPARAM>(&dc);
  } else if (message == WM_DRAWITEM && lParam) {
    const auto* native = reinterpret_cast<const ::DRAWITEMSTRUCT*>(lParam);
    surface.hdc = native->hDC;
    dc.AttachNative(&surface);
    // The control's DC holds the font its dialog gave it; owner drawing
    // starts from the layer's default font, as on Linux.
    dc.SelectObject(static_cast<const Font*>(nullptr));
    item.CtlType = native->CtlType;
    item.CtlID = native->CtlID;
    item.itemID = native->itemID;
    item.itemAction = native->itemAction;
    item.itemState = native->itemState;
    item.hwndItem = native->hwndItem;
    item.pDC = &dc;
    item.rcItem = FromRECT(native->rcItem);
    handlerLParam = reinterpret_cast<LPARAM>(&item);
  }
  g_frames.push_back({{hWnd, message, handlerWParam, handlerLParam}, wParam, lParam});
  LRESULT result = object->WindowProc(message, handlerWParam, handlerLParam);
  g_frames.pop_back();
  if (message == WM_QUERYDRAGICON && result) {
    const auto* icon = reinterpret_cast<const Icon*>(result);
    result = icon->IsNull() ? 0 : reinterpret_cast<LRESULT>(icon->Native()->handle);
  }
  return result;
}

}  // namespace

// ---------------------------------------------------------------- records
WindowRecord* RecordOf(HWND hWnd) {
  if (!hWnd) return nullptr;
  auto it = g_records.find(hWnd);
  return it == g_records.end() ? nullptr : &it->second;
}

WindowRecord* AttachWindow(HWND hWnd, Window* object) {
  if (!hWnd || !object || g_records.count(hWnd)) return nullptr;
  WindowRecord& record = g_records[hWnd];
  record.object = object;
  object->m_hWnd = hWnd;
  const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
  if (current != LayerWindowProc) {
    record.previousProc = current;
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LayerWindowProc));
  }
  return &record;
}

void CollectOwnedObjects() {
  if (!g_frames.empty()) return;
  std::vector<std::unique_ptr<Window>> zombies;
  zombies.swap(g_ownedZombies);
}

const CurrentMessage* CurrentMessageOnThread() { return g_frames.empty() ? nullptr : &g_frames.back().current; }

LRESULT CALLBACK LayerWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = RecordOf(hWnd);
  if (!record || !record->object) {
    WNDPROC previous = record ? record->previousProc : nullptr;
    const LRESULT result = previous ? ::CallWindowProcW(previous, hWnd, message, wParam, lParam)
                                    : ::DefWindowProcW(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) Detach(hWnd);
    return result;
  }
  // Windows may still hand out a WM_TIMER generated before KillTimer.
  if (message == WM_TIMER && lParam == 0 && !record->timers.count(wParam)) return 0;
  if (message == WM_NCDESTROY) record->ncDestroying = true;
  const LRESULT result = Deliver(hWnd, record->object, message, wParam, lParam);
  if (message == WM_NCDESTROY) Detach(hWnd);
  CollectOwnedObjects();
  return result;
}

bool RegisterLayerClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = LayerWindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  // No class brush: the default erase below paints what the Linux window
  // manager paints.
  wc.lpszClassName = kLayerClassName;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// ---------------------------------------------------------------- Window
Window::Window() = default;

Window::~Window() {
  const HWND hWnd = m_hWnd;
  WindowRecord* record = RecordOf(hWnd);
  if (!record) return;
  if (record->object == this && !record->ncDestroying) ::DestroyWindow(hWnd);
  // Deleted while its window goes (PostNcDestroy), or subclassed away, or
  // on a thread that could not destroy it: the record forgets the object.
  if ((record = RecordOf(hWnd))) {
    if (record->object == this) record->object = nullptr;
    auto& stack = record->previousObjects;
    stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
  }
}

Window* Window::FromHandle(HWND hWnd) {
  WindowRecord* record = RecordOf(hWnd);
  return record ? record->object : nullptr;
}

BOOL Window::CreateEx(DWORD dwExStyle, std::string_view className, std::string_view windowName, DWORD dwStyle,
                      const Rect& rect, Window* pParent, UINT nID) {
  if (m_hWnd) return FALSE;
  Initialize();
  const bool child = (dwStyle & WS_CHILD) != 0;
  const HWND hParent = pParent ? pParent->m_hWnd : nullptr;
  if (child && !hParent) return FALSE;
  // A top-level window without a caption is a borderless popup, as on Linux
  // (WS_OVERLAPPED would give it a frame).
  if (!child && (dwStyle & WS_CAPTION) != WS_CAPTION) dwStyle |= WS_POPUP;
  const std::wstring wideName = Widen(windowName);
  HHOOK hook = ::SetWindowsHookExW(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
  if (!hook) return FALSE;
  Window* outer = std::exchange(g_creating, this);
  const HWND hWnd = ::CreateWindowExW(dwExStyle, IsButtonClass(className) ? L"BUTTON" : kLayerClassName,
                                      wideName.c_str(), dwStyle, rect.left, rect.top, Width(rect), Height(rect), hParent,
                                      child ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
  g_creating = outer;
  ::UnhookWindowsHookEx(hook);
  // WM_CREATE answered -1: the window went again, and with it the handle.
  return hWnd && m_hWnd == hWnd ? TRUE : FALSE;
}

BOOL Window::DestroyWindow() {
  if (!m_hWnd || !::IsWindow(m_hWnd)) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

BOOL Window::SubclassWindow(HWND hWnd) {
  if (!hWnd || !::IsWindow(hWnd) || m_hWnd) return FALSE;
  WindowRecord* record = RecordOf(hWnd);
  m_hWnd = hWnd;
  PreSubclassWindow();
  if (!record) return AttachWindow(hWnd, this) ? TRUE : FALSE;
  if (record->object) record->previousObjects.push_back(record->object);
  record->object = this;
  return TRUE;
}

HWND Window::UnsubclassWindow() {
  WindowRecord* record = RecordOf(m_hWnd);
  if (!record || record->object != this) return nullptr;
  if (!record->previousObjects.empty()) {
    record->object = record->previousObjects.back();
    record->previousObjects.pop_back();
    return std::exchange(m_hWnd, nullptr);
  }
  // The last object of a system class's window: the class gets it back.
  if (!record->previousProc) return nullptr;
  ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->previousProc));
  g_records.erase(m_hWnd);
  return std::exchange(m_hWnd, nullptr);
}

LRESULT Window::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!m_hWnd) return 0;
  // The system gets back what it passed, not the layer's objects.
  for (auto it = g_frames.rbegin(); it != g_frames.rend(); ++it) {
    const CurrentMessage& c = it->current;
    if (c.hWnd == m_hWnd && c.message == message && c.wParam == wParam && c.lParam == lParam) {
      wParam = it->nativeWParam;
      lParam = it->nativeLParam;
      break;
    }
  }
  WindowRecord* record = RecordOf(m_hWnd);
  const WNDPROC previous = record ? record->previousProc : nullptr;
  if (message == WM_PAINT && PrintTargetFor(m_hWnd)) {
    // Printing: the window paints into the print DC. A system control
    // (a button) paints itself there through WM_PRINTCLIENT; the layer's
    // windows and dialogs, whose own painting is only the erase, through a
    // PaintDC.
    if (previous && !IsDialogWindow(m_hWnd))
      return ::CallWindowProcW(previous, m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(PrintTargetFor(m_hWnd)),
                               PRF_CLIENT | PRF_ERASEBKGND);
    PaintDC dc(this);
    return 0;
  }
  if (!previous) {
    switch (message) {
      case WM_ERASEBKGND:
        // As the Linux window manager: a top-level window starts white, a
        // child shows its parent.
        if (wParam && !(GetStyle() & WS_CHILD)) {
          RECT rc;
          ::GetClientRect(m_hWnd, &rc);
          ::FillRect(reinterpret_cast<HDC>(wParam), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        }
        return TRUE;
      case WM_QUERYDRAGICON: return 0;
      default: break;
    }
  }
  if (message == WM_QUERYDRAGICON) return 0;  // the class icon; handlers answer with Icon objects
  return previous ? ::CallWindowProcW(previous, m_hWnd, message, wParam, lParam)
                  : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void Window::InvalidateRect(const Rect* pRect, BOOL bErase) {
  if (!m_hWnd) return;
  // InvalidateRect may be called from any thread on Windows.
  const RECT rc = pRect ? ToRECT(*pRect) : RECT{};
  ::InvalidateRect(m_hWnd, pRect ? &rc : nullptr, bErase);
}

void Window::UpdateWindow() {
  if (m_hWnd) ::UpdateWindow(m_hWnd);
}

BOOL Window::ShowWindow(int nCmdShow) { return m_hWnd ? ::ShowWindow(m_hWnd, nCmdShow) : FALSE; }

BOOL Window::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  return m_hWnd ? ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, std::max(0, cx), std::max(0, cy), nFlags) : FALSE;
}

void Window::GetClientRect(Rect* pRect) const {
  RECT rc;
  if (pRect && m_hWnd && ::GetClientRect(m_hWnd, &rc)) *pRect = FromRECT(rc);
}

void Window::GetWindowRect(Rect* pRect) const {
  RECT rc;
  if (pRect && m_hWnd && ::GetWindowRect(m_hWnd, &rc)) *pRect = FromRECT(rc);
}

void Window::ClientToScreen(Point* pPoint) const {
  POINT pt{pPoint ? pPoint->x : 0, pPoint ? pPoint->y : 0};
  if (pPoint && m_hWnd && ::ClientToScreen(m_hWnd, &pt)) *pPoint = {pt.x, pt.y};
}

void Window::ScreenToClient(Point* pPoint) const {
  POINT pt{pPoint ? pPoint->x : 0, pPoint ? pPoint->y : 0};
  if (pPoint && m_hWnd && ::ScreenToClient(m_hWnd, &pt)) *pPoint = {pt.x, pt.y};
}

void Window::CenterWindow() {
  if (!m_hWnd) return;
  RECT area;
  const HWND parent = ::GetParent(m_hWnd);
  const bool child = (GetStyle() & WS_CHILD) != 0;
  if (child && parent) {
    ::GetClientRect(parent, &area);
  } else if (parent && ::IsWindowVisible(parent) && !::IsIconic(parent)) {
    ::GetWindowRect(parent, &area);  // the owner
  } else {
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT rc;
  ::GetWindowRect(m_hWnd, &rc);
  const int x = area.left + (Width(FromRECT(area)) - Width(FromRECT(rc))) / 2;
  const int y = area.top + (Height(FromRECT(area)) - Height(FromRECT(rc))) / 2;
  SetWindowPos(nullptr, std::max(0, x), std::max(0, y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetWindowText(std::string_view text) {
  if (m_hWnd) ::SetWindowTextW(m_hWnd, Widen(text).c_str());
}

std::string Window::GetWindowText() const {
  if (!m_hWnd) return {};
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

BOOL Window::IsWindowVisible() const { return m_hWnd ? ::IsWindowVisible(m_hWnd) : FALSE; }
BOOL Window::IsIconic() const { return m_hWnd ? ::IsIconic(m_hWnd) : FALSE; }
BOOL Window::EnableWindow(BOOL bEnable) { return m_hWnd ? ::EnableWindow(m_hWnd, bEnable) : FALSE; }
BOOL Window::IsWindowEnabled() const { return m_hWnd ? ::IsWindowEnabled(m_hWnd) : FALSE; }
DWORD Window::GetStyle() const { return m_hWnd ? static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)) : 0; }

// Only the styles: the procedure and the user data belong to the layer.
intptr_t Window::GetWindowLong(int nIndex) const {
  if (!m_hWnd || (nIndex != GWL_STYLE && nIndex != GWL_EXSTYLE)) return 0;
  return static_cast<intptr_t>(static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, nIndex)));
}

intptr_t Window::SetWindowLong(int nIndex, intptr_t dwNewLong) {
  if (!m_hWnd || (nIndex != GWL_STYLE && nIndex != GWL_EXSTYLE)) return 0;
  return static_cast<intptr_t>(
      static_cast<DWORD>(::SetWindowLongPtrW(m_hWnd, nIndex, static_cast<LONG_PTR>(static_cast<DWORD>(dwNewLong)))));
}

Window* Window::GetDlgItem(int nID) const { return m_hWnd ? FromHandle(::GetDlgItem(m_hWnd, nID)) : nullptr; }
int Window::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }
// The parent of a child, the owner of a top-level window.
Window* Window::GetParent() const { return m_hWnd ? FromHandle(::GetParent(m_hWnd)) : nullptr; }

void Window::SetIcon(const Icon* pIcon, BOOL bBigIcon) {
  if (!m_hWnd) return;
  const HICON icon = pIcon && !pIcon->IsNull() ? pIcon->Native()->handle : nullptr;
  ::SendMessageW(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

UINT_PTR Window::SetTimer(UINT_PTR nIDEvent, UINT nElapse) {
  WindowRecord* record = RecordOf(m_hWnd);
  if (!record || !::SetTimer(m_hWnd, nIDEvent, std::max<UINT>(USER_TIMER_MINIMUM, nElapse), nullptr)) return 0;
  record->timers.insert(nIDEvent);
  return nIDEvent;
}

BOOL Window::KillTimer(UINT_PTR nIDEvent) {
  WindowRecord* record = RecordOf(m_hWnd);
  if (!record || !record->timers.erase(nIDEvent)) return FALSE;
  return ::KillTimer(m_hWnd, nIDEvent);
}

Window* Window::SetCapture() {
  if (!m_hWnd) return FromHandle(::GetCapture());
  return FromHandle(::SetCapture(m_hWnd));
}

// ---------------------------------------------------------------- USER functions
LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(hWnd, message, wParam, lParam);
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(hWnd, message, wParam, lParam);
}

// ---------------------------------------------------------------- PaintDC
PaintDC::PaintDC(Window* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
  if (!m_hWnd) return;
  NativeSurfaceRef surface;
  if (const HDC print = PrintTargetFor(m_hWnd)) {
    surface.hdc = print;
    AttachNative(&surface);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    m_ps.rcPaint = FromRECT(rc);
    m_ps.fErase = TRUE;
    // What BeginPaint would do: the erase first, in a state of its own.
    const int saved = ::SaveDC(print);
    ::SendMessageW(m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(print), 0);
    ::RestoreDC(print, saved);
  } else {
    ::PAINTSTRUCT ps;
    surface.hdc = ::BeginPaint(m_hWnd, &ps);
    if (!surface.hdc) return;
    AttachNative(&surface);
    m_ps.rcPaint = FromRECT(ps.rcPaint);
    m_ps.fErase = ps.fErase;
  }
  SelectObject(static_cast<const Font*>(nullptr));
}

PaintDC::~PaintDC() {
  if (!m_hWnd || !Native()) return;
  const HDC hdc = Native()->hdc;
  DeleteDC();
  if (PrintTargetFor(m_hWnd) == hdc) return;
  ::PAINTSTRUCT ps{};
  ps.hdc = hdc;
  ps.fErase = m_ps.fErase;
  ps.rcPaint = ToRECT(m_ps.rcPaint);
  ::EndPaint(m_hWnd, &ps);
}

}  // namespace platform::gui
