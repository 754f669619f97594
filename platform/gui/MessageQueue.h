#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/gui/MessageTarget.h"

namespace platform::gui {

// A message as the queue holds it: the window it is for (0: the queue's own
// window), the message and its parameters, and for the window layer's own
// invalidation entries a rectangle.
struct QueuedMessage {
  uint64_t target = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  Rect rect;
};

// A posted-message queue: of one window, or of the UI thread (the window
// layer keeps one for all its windows). Any thread posts; the owning thread
// takes the messages in the order they were posted. A window toolkit hooks
// itself in with SetWakeup, so that a post schedules a dispatch on its
// thread; a window without a toolkit waits with WaitMessage.
class MessageQueue : public MessageTarget {
 public:
  void PostMessage(uint32_t message) override;
  // Queues a message with its target and parameters.
  void Post(const QueuedMessage& message);
  // The oldest queued message, without waiting.
  std::optional<QueuedMessage> TakeNext();
  void InvalidateRect(const Rect& rect) override;

  // Called (on the posting thread, outside the lock) after every post and
  // every invalidation.
  void SetWakeup(std::function<void()> wakeup);

  // The oldest message, waiting up to `timeout`; nullopt when none came.
  std::optional<uint32_t> WaitMessage(std::chrono::milliseconds timeout);
  // Every queued message, oldest first, without waiting.
  std::vector<uint32_t> TakeMessages();
  // The rectangles invalidated since the last call.
  std::vector<Rect> TakeInvalidations();

 private:
  void Wake();

  std::mutex m_lock;
  std::condition_variable m_posted;
  std::deque<QueuedMessage> m_messages;
  std::vector<Rect> m_invalidated;
  std::function<void()> m_wakeup;
};

}  // namespace platform::gui
