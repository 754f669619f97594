#include "platform/sync/NamedMutex.h"

#include <utility>

// Ownership of the mutex, the same on both systems; Release gives it up.
namespace platform {

NamedMutex::~NamedMutex() { Release(); }

NamedMutex::NamedMutex(NamedMutex&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoNativeHandle)) {}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
  if (this != &other) {
    Release();
    m_handle = std::exchange(other.m_handle, kNoNativeHandle);
  }
  return *this;
}

}  // namespace platform
