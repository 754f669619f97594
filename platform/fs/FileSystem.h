#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Basic file services over Windows paths. Every function takes a Windows
// path and reports failures as Win32 errors.
namespace platform::fs {

bool FileExists(std::string_view path);       // an existing non-folder
bool DirectoryExists(std::string_view path);  // an existing folder
// _waccess(path, 6): the path can be opened for reading and writing.
bool CanReadWrite(std::string_view path);

// CreateDirectoryW: one level; kErrorAlreadyExists when it is there,
// kErrorPathNotFound when the parent is missing.
Win32Error MakeDirectory(std::string_view path);
// Every missing level of the path; 0 when the folder exists afterwards.
Win32Error CreateDirectoryPath(std::string_view path);

// The whole file; kErrorFileNotFound / kErrorPathNotFound / kErrorAccessDenied
// as Windows would say.
std::expected<std::vector<uint8_t>, Win32Error> ReadFileBytes(std::string_view path);

// Replaces the file with the given bytes atomically: a temporary file in the
// same folder is written and flushed, then renamed over the target, so a
// reader (or a crash) sees the old file or the new one, never a mixture.
// On failure the target is untouched and the temporary file is removed; a
// read-only target is not replaced (kErrorAccessDenied).
Win32Error WriteFileAtomic(std::string_view path, std::span<const uint8_t> bytes);
Win32Error WriteFileAtomic(std::string_view path, std::string_view bytes);

}  // namespace platform::fs
