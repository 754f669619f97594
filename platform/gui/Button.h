#pragma once

#include <string_view>

#include "platform/gui/Window.h"

namespace platform::gui {

// A push button (CButton). Its class behaviour, which DefWindowProc runs:
// a left press captures the mouse and shows the button pushed while the
// pointer stays over it; the release sends WM_COMMAND with BN_CLICKED to
// the parent only when it happens over the button. An owner-drawn button
// (BS_OWNERDRAW) paints through WM_DRAWITEM to its parent, which reflects
// it back to DrawItem; other buttons paint a plain face with their text.
class Button : public Window {
 public:
  BOOL Create(std::string_view caption, DWORD dwStyle, const Rect& rect, Window* pParentWnd, UINT nID);
  // Owner drawing; the base version draws nothing.
  virtual void DrawItem(DRAWITEMSTRUCT* lpDrawItemStruct);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  // BST_PUSHED while the button shows pushed.
  UINT GetState() const;
};

inline constexpr char kButtonClass[] = "Button";

}  // namespace platform::gui
