#include "platform/console/Console.h"

#include <mutex>

namespace platform::console {

namespace {

// The holder is called with the lock held, so ClearOpenLine cannot return
// while a CloseLine on the same holder is still running.
std::mutex& HolderLock() {
  static std::mutex lock;
  return lock;
}
IOpenLine* g_holder = nullptr;

}  // namespace

void SetOpenLine(IOpenLine* owner) {
  std::lock_guard<std::mutex> guard(HolderLock());
  g_holder = owner;
}

void ClearOpenLine(IOpenLine* owner) {
  std::lock_guard<std::mutex> guard(HolderLock());
  if (g_holder == owner) g_holder = nullptr;
}

void CloseOpenLine() {
  std::lock_guard<std::mutex> guard(HolderLock());
  if (g_holder != nullptr) g_holder->CloseLine();
}

}  // namespace platform::console
