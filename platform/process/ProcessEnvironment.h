#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// GetEnvironmentVariableW for this process's own environment, as whoever
// started the program set it (a support engineer's switch, a script's
// setting); nullopt when it is not set, an empty string when it is set empty.
// The machine's folders (APPDATA, TEMP, ...) are asked through
// sysinfo/KnownFolders.h.
std::optional<std::string> GetProcessVariable(std::string_view name);

}  // namespace platform
