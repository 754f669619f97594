#pragma once

// The GTK window behind a top-level window; only the window layer's own
// Linux files include this.
#include <gtk/gtk.h>

#include "platform/gui/WindowData.h"

namespace platform::gui {

struct NativeWindow {
  GtkWidget* window = nullptr;
};

// The GTK window of a window's top-level window, or nullptr.
inline GtkWindow* GtkWindowOf(HWND hWnd) {
  WindowData* top = TopLevelOf(LookUp(hWnd));
  return top && top->native ? GTK_WINDOW(top->native->window) : nullptr;
}

}  // namespace platform::gui
