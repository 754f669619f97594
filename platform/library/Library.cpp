#include "platform/library/Library.h"

#include <utility>

// Ownership of a loaded library, the same on both systems; Reset unloads it.
namespace platform {

Library::~Library() { Reset(); }

Library::Library(Library&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_bImageOnly(std::exchange(other.m_bImageOnly, false)) {}

Library& Library::operator=(Library&& other) noexcept {
  if (this != &other) {
    Reset();
    m_handle = std::exchange(other.m_handle, nullptr);
    m_bImageOnly = std::exchange(other.m_bImageOnly, false);
  }
  return *this;
}

}  // namespace platform
