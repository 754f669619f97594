#include "platform/sync/NamedMutex.h"

#include <windows.h>

#include <utility>

#include "platform/core/Wide_win32.h"

namespace platform {

Win32Error NamedMutex::Create(std::string_view name) {
  Release();
  // CreateMutexW takes an empty name for an unnamed mutex, which no other
  // instance could ever find.
  if (name.empty()) return kErrorInvalidName;
  HANDLE mutex = ::CreateMutexW(nullptr, TRUE, Widen(name).c_str());
  if (mutex == nullptr) return LastError();
  // The object existed: this handle opened it without taking ownership.
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return kErrorAlreadyExists;
  }
  m_handle = mutex;
  return kErrorSuccess;
}

void NamedMutex::Release() {
  if (m_handle == kNoNativeHandle) return;
  ::ReleaseMutex(m_handle);
  ::CloseHandle(m_handle);
  m_handle = kNoNativeHandle;
}

}  // namespace platform
