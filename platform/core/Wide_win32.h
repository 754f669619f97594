#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

// What every Win32 backend needs at the call: our UTF-8 text as the UTF-16
// the wide functions take and give, and the thread's last error.
namespace platform {

// UTF-8 to UTF-16 (an invalid sequence becomes U+FFFD, as in the rest of the
// platform), for passing to a W function.
std::wstring Widen(std::string_view text);
// UTF-16 from a W function back to UTF-8; a lone surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view text);

// GetLastError as our error type.
inline Win32Error LastError() { return static_cast<Win32Error>(::GetLastError()); }

// Closes a kernel handle when it goes out of scope.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : m_handle(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(ScopedHandle&& other) noexcept : m_handle(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      m_handle = other.Release();
    }
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  // Both null and INVALID_HANDLE_VALUE mean "no handle": CreateFileW gives
  // the one, most other calls the other.
  bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_handle; }
  HANDLE Release() {
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) ::CloseHandle(m_handle);
    m_handle = handle;
  }

 private:
  HANDLE m_handle = nullptr;
};

}  // namespace platform
