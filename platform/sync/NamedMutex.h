#pragma once

#include <string>
#include <string_view>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"

namespace platform {

// CreateMutexW(NULL, TRUE, name) as a program uses it to run once: a named
// object of the user's session that one owner at a time can hold. The
// ownership ends with the process that holds it, however that process ends,
// and is never inherited by programs it starts. Names are case-sensitive.
class NamedMutex {
 public:
  NamedMutex() = default;
  // Releases the mutex if this object owns it.
  ~NamedMutex();
  NamedMutex(NamedMutex&& other) noexcept;
  NamedMutex& operator=(NamedMutex&& other) noexcept;
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Creates the mutex owned by this object: kErrorSuccess. When another
  // owner (this or another process) holds it already: kErrorAlreadyExists,
  // and this object owns nothing. An empty name: kErrorInvalidName. Any other
  // error: that error, and nothing is owned either. "Local\" in front of the
  // name names the same mutex as the bare name.
  Win32Error Create(std::string_view name);
  // ReleaseMutex + CloseHandle: gives the mutex up. Nothing happens when
  // this object owns none.
  void Release();
  bool IsOwned() const { return m_handle != kNoNativeHandle; }

 private:
  NativeHandle m_handle = kNoNativeHandle;
};

}  // namespace platform
