#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// FindFirstFileW / FindNextFileW over one folder.
namespace platform::fs {

struct DirectoryEntry {
  std::string name;  // the entry's own name, never "." or ".."
  bool isDirectory = false;
};

// The entries of the folder whose names match the pattern ("*" and "?"
// wildcards, without case, as FindFirstFileW matches long names), in the
// order an NTFS folder hands them out: by name, case folded. An empty result
// is not an error; a missing folder gives kErrorPathNotFound.
std::expected<std::vector<DirectoryEntry>, Win32Error> ListDirectory(std::string_view folder,
                                                                     std::string_view pattern = "*");

// The wildcard rule ListDirectory applies, for callers that filter names.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace platform::fs
