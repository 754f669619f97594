#pragma once

#include <cstdint>
#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

// Top-level windows of any process of this user on the same display, by the
// window system's id (an X11 window on Linux, the HWND on Windows). What the single-instance rule needs
// from FindWindow and ShowWindow across processes.
using DesktopWindowId = uint64_t;

// FindWindow(NULL, title): a top-level window (shown or hidden) whose title
// is exactly `title` and that belongs to this user (windows of other users'
// processes on this machine are passed over). 0 when there is none, or no
// display.
DesktopWindowId FindDesktopWindow(std::string_view title);
// Minimised (iconic) in the window manager's sense.
BOOL IsDesktopWindowIconic(DesktopWindowId id);
// ShowWindow(SW_RESTORE) + SetForegroundWindow: a minimised or hidden window
// is mapped again, raised and activated. FALSE when the window is gone.
BOOL RestoreDesktopWindow(DesktopWindowId id);

}  // namespace platform::gui
