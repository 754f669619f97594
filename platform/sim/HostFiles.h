#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"

// File services by host path, for the simulation's own files (hives, locks,
// certificate stores) that have no Windows name of their own. They share the
// Windows-path services' implementation (platform/fs/FileSystem_posix.cpp).
namespace platform::fs {

// Host-path variants for the platform's own files (hives, locks) that have
// no Windows name of their own.
namespace host {
std::expected<std::vector<uint8_t>, Win32Error> ReadFileBytes(const std::string& hostPath);
Win32Error WriteFileAtomic(const std::string& hostPath, std::span<const uint8_t> bytes);
Win32Error CreateDirectories(const std::string& hostPath);
}  // namespace host

}  // namespace platform::fs
