#include "platform/fs/Path.h"

#include "platform/sim/HostPath.h"

namespace platform {

std::string NormalizeWindowsPath(std::string_view windowsPath) { return AbsoluteWindowsPath(windowsPath); }

std::string PathForUser(std::string_view windowsPath) { return ToHostPath(windowsPath); }

}  // namespace platform
