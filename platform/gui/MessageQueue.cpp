#include "platform/gui/MessageQueue.h"

namespace platform::gui {

void MessageQueue::PostMessage(uint32_t message) { Post(QueuedMessage{0, message, 0, 0, {}}); }

void MessageQueue::Post(const QueuedMessage& message) {
  {
    std::lock_guard lock(m_lock);
    m_messages.push_back(message);
  }
  m_posted.notify_all();
  Wake();
}

void MessageQueue::InvalidateRect(const Rect& rect) {
  {
    std::lock_guard lock(m_lock);
    m_invalidated.push_back(rect);
  }
  Wake();
}

void MessageQueue::SetWakeup(std::function<void()> wakeup) {
  std::lock_guard lock(m_lock);
  m_wakeup = std::move(wakeup);
}

std::optional<uint32_t> MessageQueue::WaitMessage(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  if (!m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) return std::nullopt;
  const uint32_t message = m_messages.front().message;
  m_messages.pop_front();
  return message;
}

std::optional<QueuedMessage> MessageQueue::TakeNext() {
  std::lock_guard lock(m_lock);
  if (m_messages.empty()) return std::nullopt;
  QueuedMessage message = m_messages.front();
  m_messages.pop_front();
  return message;
}

std::vector<uint32_t> MessageQueue::TakeMessages() {
  std::lock_guard lock(m_lock);
  std::vector<uint32_t> messages;
  for (const QueuedMessage& queued : m_messages) messages.push_back(queued.message);
  m_messages.clear();
  return messages;
}

std::vector<Rect> MessageQueue::TakeInvalidations() {
  std::lock_guard lock(m_lock);
  std::vector<Rect> rects;
  rects.swap(m_invalidated);
  return rects;
}

void MessageQueue::Wake() {
  std::function<void()> wakeup;
  {
    std::lock_guard lock(m_lock);
    wakeup = m_wakeup;
  }
  if (wakeup) wakeup();
}

}  // namespace platform::gui
