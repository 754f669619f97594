#include "platform/gui/Button.h"

namespace platform::gui {

BOOL Button::Create(std::string_view caption, DWORD dwStyle, const Rect& rect, Window* pParentWnd, UINT nID) {
  return CreateEx(0, kButtonClass, caption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

void Button::DrawItem(DRAWITEMSTRUCT*) {}

BOOL Button::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_DRAWITEM) return FALSE;
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  if (pResult) *pResult = TRUE;
  return TRUE;
}

}  // namespace platform::gui
