#include "platform/gui/WinUser.h"

#include <algorithm>

namespace platform::gui {

Rect IntersectRect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return IsRectEmpty(r) ? Rect{} : r;
}

Rect OffsetRect(const Rect& rc, int dx, int dy) {
  return {rc.left + dx, rc.top + dy, rc.right + dx, rc.bottom + dy};
}

}  // namespace platform::gui
