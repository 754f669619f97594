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
// wildcards, without case, against the long names only: a short 8.3 alias
// never makes a name match), in the order an NTFS folder hands them out
// whatever the volume: by name, upper-cased. An empty result is not an
// error; a missing folder gives kErrorPathNotFound, a file in its place
// kErrorDirectory or kErrorPathNotFound.
std::expected<std::vector<DirectoryEntry>, Win32Error> ListDirectory(std::string_view folder,
                                                                     std::string_view pattern = "*");

// The wildcard rule ListDirectory applies, for callers that filter names.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Puts entries in the order ListDirectory gives them.
void SortInFolderOrder(std::vector<DirectoryEntry>& entries);

}  // namespace platform::fs
