#include "platform/process/Process.h"

#include <utility>

// Ownership of a started process, the same on both systems; Close lets go
// of it as the system does.
namespace platform {

ProcessHandle::~ProcessHandle() { Close(); }

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoNativeHandle)), m_pid(std::exchange(other.m_pid, 0)) {}

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = std::exchange(other.m_handle, kNoNativeHandle);
    m_pid = std::exchange(other.m_pid, 0);
  }
  return *this;
}

}  // namespace platform
