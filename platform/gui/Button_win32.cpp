#include "platform/gui/Button.h"

#include "platform/gui/WindowRecord_win32.h"

// A Button is a real BUTTON window (Window::CreateEx picks the class); the
// class keeps the pushed state while the mouse holds it.
namespace platform::gui {

UINT Button::GetState() const {
  if (!m_hWnd) return 0;
  return static_cast<UINT>(::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0)) & BST_PUSHED;
}

}  // namespace platform::gui
