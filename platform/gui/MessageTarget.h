#pragma once

#include <cstdint>

// <windows.h>, when a file included it first, spells PostMessage as
// PostMessageW; the interface keeps its plain name in every file.
#ifdef PostMessage
#undef PostMessage
#endif

namespace platform::gui {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Rect&) const = default;
};

// What a worker thread may do to a window: post a parameterless message and
// invalidate a rectangle. Both are safe from any thread; the window delivers
// posted messages on its own thread, in the order they were posted.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  virtual void PostMessage(uint32_t message) = 0;
  virtual void InvalidateRect(const Rect& rect) = 0;
};

}  // namespace platform::gui
