#include "platform/gui/MessageBox.h"

#include "platform/core/Wide_win32.h"

namespace platform::gui {

// Windows runs the box and its modal loop, disables the owner and answers
// the close button itself; 0 when the box could not be made.
int MessageBox(HWND hWndOwner, std::string_view text, std::string_view caption, UINT uType) {
  return ::MessageBoxW(hWndOwner, Widen(text).c_str(), Widen(caption).c_str(), uType);
}

}  // namespace platform::gui
