#include "platform/process/ProcessEnvironment.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

namespace platform {

// GetEnvironmentVariableW answers 0 both for a missing variable and for an
// empty one; only the last error tells them apart.
std::optional<std::string> GetProcessVariable(std::string_view name) {
  std::wstring wideName = Widen(name);
  std::wstring value(64, L'\0');
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // Too small: the length asked for includes the terminating nul.
    if (length >= value.size()) {
      value.resize(length);
      continue;
    }
    value.resize(length);
    return Narrow(value);
  }
}

}  // namespace platform
