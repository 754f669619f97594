#include "platform/gui/DesktopWindows.h"

#include "platform/core/Wide_win32.h"

// On Windows a desktop window's id is its HWND: FindWindowW sees only the
// windows of this session's desktop, which other users' programs do not
// share.
namespace platform::gui {

namespace {

HWND ToHwnd(DesktopWindowId id) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(id)); }

}  // namespace

DesktopWindowId FindDesktopWindow(std::string_view title) {
  HWND hWnd = ::FindWindowW(nullptr, Widen(title).c_str());
  return static_cast<DesktopWindowId>(reinterpret_cast<uintptr_t>(hWnd));
}

BOOL IsDesktopWindowIconic(DesktopWindowId id) {
  HWND hWnd = ToHwnd(id);
  return id != 0 && ::IsWindow(hWnd) && ::IsIconic(hWnd) ? TRUE : FALSE;
}

BOOL RestoreDesktopWindow(DesktopWindowId id) {
  HWND hWnd = ToHwnd(id);
  if (id == 0 || !::IsWindow(hWnd)) return FALSE;
  ::ShowWindow(hWnd, SW_RESTORE);
  // Another process may be refused the foreground (the system gives it to
  // the process the user is working with); the window is restored anyway.
  ::SetForegroundWindow(hWnd);
  return TRUE;
}

}  // namespace platform::gui
