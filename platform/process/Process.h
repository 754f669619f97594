#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"

// The processes of the machine, and starting a program.
namespace platform {

struct ProcessEntry {
  uint32_t pid = 0;
  uint32_t parentPid = 0;
  // "chrome.exe": the base name of the program file the process runs
  // (PROCESSENTRY32W::szExeFile).
  std::string imageName;
};

// CreateToolhelp32Snapshot + Process32FirstW/NextW: every running process we
// can see, in ascending PID order. Processes that end while the list is taken
// are left out. The snapshot's error (kErrorAccessDenied or another) when no
// list can be taken.
std::expected<std::vector<ProcessEntry>, Win32Error> ListProcesses();

// GetCurrentProcessId.
uint32_t GetCurrentProcessId();

// The image name of one running process, as ListProcesses gives it;
// kErrorInvalidParameter when there is no such process (any more).
std::expected<std::string, Win32Error> GetProcessImageName(uint32_t pid);

// The exit code of a process ended by TerminateProcess, the same on every
// system, so that a caller waiting for it can tell it was ended.
inline constexpr uint32_t kTerminatedExitCode = 137;

// OpenProcess(PROCESS_TERMINATE) + TerminateProcess: ends the process at
// once with kTerminatedExitCode. kErrorInvalidParameter for a process that
// does not exist or has already ended, kErrorAccessDenied for one we may not
// end (another user's).
Win32Error TerminateProcess(uint32_t pid);

// A process started by ShellExecuteProgram or ProgramFile::Execute;
// move-only. Destroying it without waiting leaves the process running, as
// closing a process handle does.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  ProcessHandle(NativeHandle handle, uint32_t pid) : m_handle(handle), m_pid(pid) {}
  ~ProcessHandle();
  ProcessHandle(ProcessHandle&& other) noexcept;
  ProcessHandle& operator=(ProcessHandle&& other) noexcept;
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  // 0 when the start gave no process (a document handed to a program that
  // was already running).
  uint32_t Pid() const { return m_pid; }
  // WaitForSingleObject(INFINITE) + GetExitCodeProcess: waits for the end
  // and gives the exit code (kTerminatedExitCode for a process ended by
  // TerminateProcess). The handle is closed afterwards: kErrorInvalidHandle
  // when there is no process or it was waited for already.
  std::expected<uint32_t, Win32Error> Wait();

 private:
  void Close();

  NativeHandle m_handle = kNoNativeHandle;
  uint32_t m_pid = 0;
};

// The SHELLEXECUTEINFOW::fMask bits callers pass. Whatever the mask says, the
// process handle is kept (a ProcessHandle needs it) and no error dialog is
// shown: failures are returned to the caller, who reports them.
inline constexpr uint32_t kSeeMaskNoCloseProcess = 0x40;
inline constexpr uint32_t kSeeMaskInvokeIdList = 0x0C;
inline constexpr uint32_t kSeeMaskNoZoneChecks = 0x00800000;

// ShellExecuteExW with the default verb: starts the program named by a
// Windows path with a Windows argument text (split into arguments by the
// rules of CommandLineToArgvW). It inherits our environment and current
// folder. (Named so that shellapi.h's ShellExecute macro cannot rename it.)
//
// Failures:
//   kErrorFileNotFound    no such file
//   kErrorPathNotFound    a folder of the path is missing
//   kErrorAccessDenied    the system refuses to run it
//   kErrorNoAssociation   not a program, and no program is associated with
//                         the file's type
//   kErrorNotEnoughMemory the system could not create the process
std::expected<ProcessHandle, Win32Error> ShellExecuteProgram(std::string_view file, std::string_view parameters,
                                                             uint32_t mask = kSeeMaskNoCloseProcess |
                                                                             kSeeMaskInvokeIdList);

// CommandLineToArgvW's splitting of an argument text: white space separates,
// double quotes group, 2n backslashes before a quote give n backslashes and
// an opening/closing quote, 2n+1 give n backslashes and a literal quote.
std::vector<std::string> SplitArgumentText(std::string_view text);
// The argument text that SplitArgumentText turns back into exactly these
// arguments (quoting where needed).
std::string BuildArgumentText(const std::vector<std::string>& args);

}  // namespace platform
