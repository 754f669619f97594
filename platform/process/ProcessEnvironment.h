#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A variable of this process's own environment, as whoever started the
// program set it (a support engineer's switch, a script's setting); nullopt
// when it is not set. The simulated machine's variables (APPDATA, TEMP, ...)
// are GetEnvironmentVariable's (sysinfo/KnownFolders.h).
std::optional<std::string> GetProcessVariable(std::string_view name);

}  // namespace platform
