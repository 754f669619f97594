#include "platform/core/Win32Error.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

namespace platform {

Win32Error GetLastError() { return static_cast<Win32Error>(::GetLastError()); }
void SetLastError(Win32Error error) { ::SetLastError(static_cast<DWORD>(error)); }

std::string SystemMessage(Win32Error error) {
  wchar_t* buffer = nullptr;
  // Inserts stay as they are ("%1 is not a valid Win32 application."): the
  // caller has no arguments to give.
  DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (length == 0 || buffer == nullptr) return {};
  std::wstring text(buffer, length);
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return Narrow(text);
}

}  // namespace platform
