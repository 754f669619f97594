#pragma once

#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

namespace platform {

// CreateMutexW(NULL, TRUE, name) as a program uses it to run once: a named
// object of this machine (the prefix) that one process at a time can own.
//
// The ownership is an exclusive lock on a file below the prefix
// ("objects/<name>.lock"), so it ends with the process that holds it, however
// that process ends, and is never inherited by programs it starts.
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
  // and this object owns nothing. Any other error (the prefix cannot be
  // written, an empty name): that error, and nothing is owned either. A
  // "Local\" or "Global\" namespace in front of the name is accepted and
  // means the same mutex.
  Win32Error Create(std::string_view name);
  // ReleaseMutex + CloseHandle: gives the mutex up. Nothing happens when
  // this object owns none.
  void Release();
  bool IsOwned() const { return m_fd >= 0; }

  // Host path of the file whose lock stands for the mutex.
  static std::string LockFilePath(std::string_view name);

 private:
  int m_fd = -1;
};

}  // namespace platform
