#pragma once

// A private X server for a benchmark and what it needs to see there: the
// top-level windows of a title, whether one is painted, a pixel's colour,
// and a click at a point of a window. Wine's windows and GTK's alike are
// children of the root window on a server without a window manager.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/Processes.h"

namespace bench {

// Xvfb on a display number it picks itself, named in this process's DISPLAY.
// `launcher` (a command that execs the rest, such as `ip netns exec NS`)
// starts it in another network namespace, where its abstract socket is
// private to that namespace.
struct PrivateServer {
  pid_t pid = -1;
  std::string display;
  bool Start(const std::vector<std::string>& launcher = {}) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    std::vector<std::string> argv = launcher;
    for (const char* word : {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"})
      argv.push_back(word);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) return false;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0) {
      char buffer[16];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) return false;
    display = ":" + number.substr(0, number.find('\n'));
    setenv("DISPLAY", display.c_str(), 1);
    return true;
  }
  ~PrivateServer() { End(pid); }
};

inline int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// The server of DISPLAY, its errors (a window gone while looked at) ignored.
inline Display* OpenDisplay() {
  using namespace std::chrono_literals;
  Display* dpy = nullptr;
  for (int i = 0; i < 100 && !dpy; ++i, std::this_thread::sleep_for(20ms)) dpy = XOpenDisplay(nullptr);
  if (dpy) XSetErrorHandler(IgnoreXErrors);
  return dpy;
}

inline std::string Title(Display* dpy, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(dpy, window, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(dpy, "UTF8_STRING", False), &type, &format, &count, &after, &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    return title;
  }
  char* name = nullptr;
  if (XFetchName(dpy, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

// The window's _NET_WM_PID: the PID of its process in that process's own
// PID namespace; -1 when it sets none.
inline long WindowPid(Display* dpy, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL, &type,
                         &format, &count, &after, &data) == Success &&
      data && count == 1) {
    pid = *reinterpret_cast<long*>(data);
  }
  if (data) XFree(data);
  return pid;
}

inline unsigned long PixelAt(Display* dpy, Window window, int x, int y) {
  XImage* image = XGetImage(dpy, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return pixel;
}

// The mapped top-level windows with this title.
inline std::vector<Window> ViewableWindows(Display* dpy, const std::string& title) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<Window> found;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count)) return found;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(dpy, children[i], &attributes) && attributes.map_state == IsViewable &&
        Title(dpy, children[i]) == title)
      found.push_back(children[i]);
  }
  if (children) XFree(children);
  return found;
}

// A mapped top-level window with this title whose centre is painted (no
// longer the server's black), other than `except`.
inline std::optional<Window> PaintedWindow(Display* dpy, const std::string& title, Window except = 0) {
  for (Window window : ViewableWindows(dpy, title)) {
    XWindowAttributes attributes;
    if (window == except || !XGetWindowAttributes(dpy, window, &attributes)) continue;
    if (PixelAt(dpy, window, attributes.width / 2, attributes.height / 2) != 0) return window;
  }
  return std::nullopt;
}

inline std::optional<Window> WaitForPainted(Display* dpy, const std::string& title, std::chrono::milliseconds limit,
                                            Window except = 0) {
  using namespace std::chrono_literals;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (auto window = PaintedWindow(dpy, title, except)) return window;
    std::this_thread::sleep_for(1ms);
  }
  return std::nullopt;
}

// A left click at a point of a window's client area, as real X input;
// xdotool runs through `launcher` where the server is.
inline bool ClickAt(Display* dpy, Window window, int x, int y, const std::vector<std::string>& launcher = {}) {
  Window child = 0;
  int rootX = 0, rootY = 0;
  XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y, &rootX, &rootY, &child);
  std::vector<std::string> command = launcher;
  for (const std::string& word :
       {std::string("xdotool"), std::string("mousemove"), std::to_string(rootX), std::to_string(rootY),
        std::string("click"), std::string("1")})
    command.push_back(word);
  return Run(command) == 0;
}

// True when the pixel is the pink of the wizard's done button rather than
// the grey of the run's cancel button that stands there while it runs.
inline bool IsDonePink(unsigned long pixel) {
  const int r = static_cast<int>((pixel >> 16) & 0xFF), g = static_cast<int>((pixel >> 8) & 0xFF);
  return r > 180 && g < 140;
}

}  // namespace bench
