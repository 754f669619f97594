#pragma once

// The message a window is handling on this thread, which Window::Default()
// hands to the default processing. Each window backend keeps the stack of
// them; only the window layer's own files include this.
#include "platform/gui/WinUser.h"

namespace platform::gui {

struct CurrentMessage {
  HWND hWnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// The innermost message being handled on the calling thread, or nullptr.
const CurrentMessage* CurrentMessageOnThread();

}  // namespace platform::gui
