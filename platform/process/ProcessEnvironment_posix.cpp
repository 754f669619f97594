#include "platform/process/ProcessEnvironment.h"

#include <cstdlib>

// The host process's environment. The simulated machine's variables (APPDATA,
// TEMP, ...) are not here but in sysinfo/KnownFolders_posix.cpp.
namespace platform {

std::optional<std::string> GetProcessVariable(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace platform
