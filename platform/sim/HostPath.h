#pragma once

#include <string>
#include <string_view>

// Windows paths on the host. Drive C: lives in the prefix (drive_c/), drive
// Z: is the host root, so every host file has a Windows name. This is the
// only place that turns a Windows path into a host path.
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

// The Windows path made absolute against the current folder (whose Windows
// name is its host folder's), as NormalizeWindowsPath describes it. Empty
// for a path that names no drive we have.
std::string AbsoluteWindowsPath(std::string_view windowsPath);

}  // namespace platform
