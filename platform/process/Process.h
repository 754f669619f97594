#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Processes of the machine as the personality shows them: every host process
// is a Windows process whose image name is the base name of its program.
namespace platform {

struct ProcessEntry {
  uint32_t pid = 0;
  uint32_t parentPid = 0;
  // "chrome.exe": the base name of the program file (split at "/" or "\").
  // For a program started through an interpreter (a script, or a PE file
  // run by wine) it is the script's or PE file's name, not the interpreter's,
  // because that is the program the user started.
  std::string imageName;
};

// CreateToolhelp32Snapshot + Process32First/Next: every process visible in
// /proc, in ascending PID order. Processes that end while the list is taken
// are left out. kErrorAccessDenied (or another error) when /proc cannot be read.
std::expected<std::vector<ProcessEntry>, Win32Error> ListProcesses();

// GetCurrentProcessId.
uint32_t GetCurrentProcessId();

// The image name of one process; kErrorInvalidParameter when there is no
// such process (any more).
std::expected<std::string, Win32Error> GetProcessImageName(uint32_t pid);

// TerminateProcess: ends the process at once (SIGKILL). The exit code a
// Windows caller passes cannot be given to a killed host process, so there
// is none. kErrorInvalidParameter for a process that does not exist,
// kErrorAccessDenied when it belongs to someone we may not signal.
Win32Error TerminateProcess(uint32_t pid);

// A process started by ShellExecute; move-only. Destroying it without
// waiting leaves the process running (like closing a Windows process handle).
class ProcessHandle {
 public:
  ProcessHandle() = default;
  explicit ProcessHandle(int pid) : m_pid(pid) {}
  ~ProcessHandle();
  ProcessHandle(ProcessHandle&& other) noexcept;
  ProcessHandle& operator=(ProcessHandle&& other) noexcept;
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  uint32_t Pid() const { return static_cast<uint32_t>(m_pid); }
  // WaitForSingleObject(INFINITE) + GetExitCodeProcess: waits for the end
  // and gives the exit status (128 + signal number for a killed process).
  // kErrorInvalidHandle when there is no process or it was waited for already.
  std::expected<uint32_t, Win32Error> Wait();

 private:
  int m_pid = -1;
};

// SEE_MASK_NOZONECHECKS: the personality has no security zones, so there is
// never a zone prompt to suppress; the flag is accepted and has no effect.
inline constexpr uint32_t kSeeMaskNoCloseProcess = 0x40;
inline constexpr uint32_t kSeeMaskInvokeIdList = 0x0C;
inline constexpr uint32_t kSeeMaskNoZoneChecks = 0x00800000;

// ShellExecuteExW with the default verb: starts the program named by a
// Windows path with a Windows argument text (split into arguments by the
// rules of CommandLineToArgvW). Native executables and scripts with a "#!"
// line run directly; a PE file ("MZ") runs through wine when wine is
// installed. It inherits our environment and current folder.
//
// Failures:
//   kErrorFileNotFound    no such file
//   kErrorPathNotFound    a folder of the path is missing
//   kErrorAccessDenied    the host refuses to run it (no execute permission)
//   kErrorNoAssociation   not a program: a data file, a folder, or a PE file
//                         without wine installed
//   kErrorNotEnoughMemory the host could not create the process
std::expected<ProcessHandle, Win32Error> ShellExecute(std::string_view file, std::string_view parameters,
                                                      uint32_t mask = kSeeMaskNoCloseProcess | kSeeMaskInvokeIdList);

// CommandLineToArgvW's splitting of an argument text: white space separates,
// double quotes group, 2n backslashes before a quote give n backslashes and
// an opening/closing quote, 2n+1 give n backslashes and a literal quote.
std::vector<std::string> SplitArgumentText(std::string_view text);
// The argument text that SplitArgumentText turns back into exactly these
// arguments (quoting where needed).
std::string BuildArgumentText(const std::vector<std::string>& args);

}  // namespace platform
