#pragma once

#include <expected>
#include <string_view>

#include "platform/sysinfo/WindowsVersion.h"

namespace platform {

// The physical and page-file figures of a /proc/meminfo text (kB lines);
// kErrorInvalidData when MemTotal is missing. GetMemoryStatus reads the
// host's file through it.
std::expected<MemoryStatus, Win32Error> ParseMemInfo(std::string_view text);

}  // namespace platform
