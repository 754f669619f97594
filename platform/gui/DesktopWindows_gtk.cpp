#include "platform/gui/DesktopWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/UiThread.h"

namespace platform::gui {

namespace {

constexpr long kIconicState = 3;

Display* XDisplay() {
  if (!Initialize()) return nullptr;
  GdkDisplay* display = gdk_display_get_default();
  return display && GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
}

// Ignores X errors of windows that vanish while we look at them.
class ErrorTrap {
 public:
  ErrorTrap() { gdk_x11_display_error_trap_push(gdk_display_get_default()); }
  ~ErrorTrap() { gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default()); }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
};

std::optional<std::vector<unsigned char>> Property(Display* dpy, ::Window window, const char* name, Atom type,
                                                   int* pFormat = nullptr, unsigned long* pCount = nullptr) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, window, XInternAtom(dpy, name, False), 0, 1 << 16, False, type, &actualType, &format,
                         &count, &remaining, &data) != Success ||
      actualType == None) {
    if (data) XFree(data);
    return std::nullopt;
  }
  const size_t unit = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
  std::vector<unsigned char> bytes(data, data + count * unit);
  XFree(data);
  if (pFormat) *pFormat = format;
  if (pCount) *pCount = count;
  return bytes;
}

std::vector<::Window> WindowList(Display* dpy, ::Window window, const char* name) {
  unsigned long count = 0;
  auto bytes = Property(dpy, window, name, XA_WINDOW, nullptr, &count);
  std::vector<::Window> windows;
  if (!bytes) return windows;
  const auto* ids = reinterpret_cast<const long*>(bytes->data());
  for (unsigned long i = 0; i < count; ++i) windows.push_back(static_cast<::Window>(ids[i]));
  return windows;
}

std::string Title(Display* dpy, ::Window window) {
  if (auto name = Property(dpy, window, "_NET_WM_NAME", XInternAtom(dpy, "UTF8_STRING", False)))
    return std::string(name->begin(), name->end());
  XTextProperty text;
  std::string title;
  if (XGetWMName(dpy, window, &text) && text.value) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(dpy, &text, &list, &count) == Success && count > 0 && list) {
      title = list[0];
      XFreeStringList(list);
    }
    XFree(text.value);
  }
  return title;
}

bool HasWmState(Display* dpy, ::Window window) {
  return Property(dpy, window, "WM_STATE", XInternAtom(dpy, "WM_STATE", False)).has_value();
}

// The application windows: the window manager's client list when it keeps
// one, else the children of the root (with no window manager they are the
// applications' own windows; under a reparenting one, the client inside
// each frame).
std::vector<::Window> TopLevelWindows(Display* dpy) {
  const ::Window root = DefaultRootWindow(dpy);
  std::vector<::Window> clients = WindowList(dpy, root, "_NET_CLIENT_LIST");
  if (!clients.empty()) return clients;
  ::Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(dpy, root, &rootReturn, &parent, &children, &count)) return clients;
  for (unsigned int i = 0; i < count; ++i) {
    ::Window candidate = children[i];
    if (!HasWmState(dpy, candidate)) {
      ::Window r = 0, p = 0, *inner = nullptr;
      unsigned int innerCount = 0;
      if (XQueryTree(dpy, candidate, &r, &p, &inner, &innerCount)) {
        for (unsigned int j = 0; j < innerCount; ++j)
          if (HasWmState(dpy, inner[j])) candidate = inner[j];
        if (inner) XFree(inner);
      }
    }
    clients.push_back(candidate);
  }
  if (children) XFree(children);
  return clients;
}

// Windows whose process runs on this machine under another user are not
// ours; a window that names no process (or another machine) is taken as
// the display's own user's.
bool BelongsToThisUser(Display* dpy, ::Window window) {
  auto pid = Property(dpy, window, "_NET_WM_PID", XA_CARDINAL);
  XTextProperty machine;
  if (!pid || pid->size() < sizeof(long) || !XGetWMClientMachine(dpy, window, &machine) || !machine.value)
    return true;
  const std::string client(reinterpret_cast<char*>(machine.value), machine.nitems);
  XFree(machine.value);
  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, sizeof(host) - 1);
  if (client != host) return true;
  const long processId = *reinterpret_cast<const long*>(pid->data());
  struct stat info {};
  if (stat(("/proc/" + std::to_string(processId)).c_str(), &info) != 0) return true;
  return info.st_uid == getuid();
}

void SendRootMessage(Display* dpy, ::Window window, const char* name, long a0, long a1, long a2) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(dpy, name, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = a0;
  event.xclient.data.l[1] = a1;
  event.xclient.data.l[2] = a2;
  XSendEvent(dpy, DefaultRootWindow(dpy), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

DesktopWindowId FindDesktopWindow(std::string_view title) {
  Display* dpy = XDisplay();
  if (!dpy) return 0;
  ErrorTrap trap;
  for (::Window window : TopLevelWindows(dpy))
    if (Title(dpy, window) == title && BelongsToThisUser(dpy, window)) return window;
  return 0;
}

BOOL IsDesktopWindowIconic(DesktopWindowId id) {
  Display* dpy = XDisplay();
  if (!dpy || !id) return FALSE;
  ErrorTrap trap;
  const auto window = static_cast<::Window>(id);
  if (auto state = Property(dpy, window, "WM_STATE", XInternAtom(dpy, "WM_STATE", False));
      state && state->size() >= sizeof(long) && *reinterpret_cast<const long*>(state->data()) == kIconicState)
    return TRUE;
  const Atom hidden = XInternAtom(dpy, "_NET_WM_STATE_HIDDEN", False);
  for (::Window atom : WindowList(dpy, window, "_NET_WM_STATE"))
    if (atom == hidden) return TRUE;
  return FALSE;
}

BOOL RestoreDesktopWindow(DesktopWindowId id) {
  Display* dpy = XDisplay();
  if (!dpy || !id) return FALSE;
  ErrorTrap trap;
  const auto window = static_cast<::Window>(id);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(dpy, window, &attributes)) return FALSE;
  // Mapping an iconic window asks the window manager to restore it; the
  // activation request raises it and gives it the focus (source 2: a
  // request on the user's behalf, honoured over focus-stealing rules).
  XMapRaised(dpy, window);
  SendRootMessage(dpy, window, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
  XFlush(dpy);
  return TRUE;
}

}  // namespace platform::gui
