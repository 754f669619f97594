#pragma once

#include <string>
#include <string_view>

// Windows path mapping. Drive C: lives in the prefix (drive_c/), drive Z: is
// the host root, so every host file has a Windows name. This is the only place
// that turns a Windows path into a host path.
namespace platform {

// Host path of a Windows path: "\" and "/" both separate, ".." never climbs
// above the drive root, existing components are found without regard to case
// and new ones keep the case they were given. A path without a drive letter
// is taken relative to the current folder ("\x" to the current drive).
// Returns an empty string for a path that names no drive we have (D:, UNC).
std::string ToHostPath(std::string_view windowsPath);

// Windows name of a host path: under the prefix's drive_c it is a C: path,
// anywhere else a Z: path. Relative host paths are made absolute first.
std::string ToWindowsPath(std::string_view hostPath);

// Normalises a Windows path lexically: backslashes, drive letter upper case,
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

// "a" + "\" + "b" without doubling the separator.
std::string JoinWindowsPath(std::string_view folder, std::string_view name);

}  // namespace platform
