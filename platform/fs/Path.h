#pragma once

#include <string>
#include <string_view>

// Windows paths as text: normalising, splitting and joining, with the
// rules of the Win32 path functions.
namespace platform {

// Normalises a Windows path as GetFullPathNameW does: relative paths are
// taken against the current folder; backslashes, drive letter upper case,
// "." and ".." resolved (never above the root), no trailing separator except
// after the drive root. An empty input gives an empty result.
std::string NormalizeWindowsPath(std::string_view windowsPath);

// Parts of a Windows path as _wsplitpath gives them: drive ("C:"), directory
// (with its trailing backslash), file name without extension, extension
// (with its dot).
struct SplitPath {
  std::string drive;
  std::string dir;
  std::string fname;
  std::string ext;
};
SplitPath SplitWindowsPath(std::string_view path);

// The name under which the user finds the file outside the program (in a
// message or a file manager): the full path as the system shows it. Empty
// for a path that names no file the system can reach.
std::string PathForUser(std::string_view windowsPath);

// "a" + "\" + "b" without doubling the separator.
std::string JoinWindowsPath(std::string_view folder, std::string_view name);

}  // namespace platform
