#pragma once

#include <string>
#include <string_view>
#include <expected>

#include "platform/core/ScopedFd_posix.h"
#include "platform/core/Win32Error.h"
#include "platform/process/Process.h"

// Starting a program file that the caller holds open; shared by ShellExecuteProgram
// and ProgramFile. Linux implementation detail of platform/process.
namespace platform::detail {

// How the file is to be run, from its first bytes: an ELF image or a "#!"
// script runs itself, a PE image runs through wine.
enum class ProgramKind { kNative, kPe, kOther };
ProgramKind KindOfProgram(int fd);

// Opens a program file (a Windows path) for reading, as ShellExecute finds
// it: a missing file is error 2, a missing folder 3, anything that is not a
// regular file ERROR_NO_ASSOCIATION. `hostPath` receives the host path.
std::expected<ScopedFd, Win32Error> OpenProgramFile(std::string_view windowsPath, std::string& hostPath);

// posix_spawn's error number as ShellExecute reports it.
Win32Error SpawnError(int err);

// Starts the program in the open regular file `fd` (host path `hostPath`)
// with the Windows argument text. By path, the kernel opens `hostPath`
// again; by descriptor, it runs exactly the file `fd` refers to, whatever
// the path names by then (the process then shows the descriptor's number as
// its kernel name, and its program link still names the file).
std::expected<ProcessHandle, Win32Error> SpawnProgram(int fd, const std::string& hostPath,
                                                      std::string_view parameters, bool byDescriptor);

}  // namespace platform::detail
