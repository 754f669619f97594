#include "platform/process/Process.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

// Walks a Toolhelp32 snapshot of the processes, calling visit(entry) for
// each until it returns false. The snapshot's error when none can be taken.
template <typename Visit>
Win32Error ForEachProcess(Visit visit) {
  ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return LastError();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (!::Process32FirstW(snapshot.Get(), &entry)) {
    Win32Error err = LastError();
    return err == ERROR_NO_MORE_FILES ? kErrorSuccess : err;
  }
  do {
    ProcessEntry process{entry.th32ProcessID, entry.th32ParentProcessID, Narrow(entry.szExeFile)};
    if (!visit(std::move(process))) break;
    entry.dwSize = sizeof entry;
  } while (::Process32NextW(snapshot.Get(), &entry));
  return kErrorSuccess;
}

// The failure of ShellExecuteExW. A file of a type without an associated
// program is told by hInstApp (SE_ERR_NOASSOC): Windows sets the last error
// to ERROR_NO_ASSOCIATION with it, while Wine leaves the error of its attempt
// to run the file as a program (ERROR_BAD_EXE_FORMAT) there.
Win32Error ShellExecuteError(const SHELLEXECUTEINFOW& info) {
  Win32Error err = LastError();
  if (reinterpret_cast<INT_PTR>(info.hInstApp) == SE_ERR_NOASSOC) return kErrorNoAssociation;
  return err;
}

}  // namespace

uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

// The snapshot holds the System Idle Process as pid 0; it is no program
// anyone started, and the other systems have no such entry, so it is left out.
std::expected<std::vector<ProcessEntry>, Win32Error> ListProcesses() {
  std::vector<ProcessEntry> entries;
  Win32Error err = ForEachProcess([&](ProcessEntry&& entry) {
    if (entry.pid != 0) entries.push_back(std::move(entry));
    return true;
  });
  if (err != kErrorSuccess) return std::unexpected(err);
  std::sort(entries.begin(), entries.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  return entries;
}

// From the snapshot rather than OpenProcess: the name is the one ListProcesses
// shows, and it is found for processes we may not open.
std::expected<std::string, Win32Error> GetProcessImageName(uint32_t pid) {
  std::optional<std::string> name;
  Win32Error err = ForEachProcess([&](ProcessEntry&& entry) {
    if (pid == 0 || entry.pid != pid) return true;
    name = std::move(entry.imageName);
    return false;
  });
  if (err != kErrorSuccess) return std::unexpected(err);
  if (!name) return std::unexpected(kErrorInvalidParameter);
  return *name;
}

// A process that has ended lives on as long as anyone holds a handle to it;
// it is no longer there to be ended, as for a process that is gone.
Win32Error TerminateProcess(uint32_t pid) {
  ScopedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process.Valid()) return LastError();
  if (::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0) return kErrorInvalidParameter;
  if (!::TerminateProcess(process.Get(), kTerminatedExitCode)) return LastError();
  return kErrorSuccess;
}

void ProcessHandle::Close() {
  if (m_handle != kNoNativeHandle) ::CloseHandle(m_handle);
  m_handle = kNoNativeHandle;
  m_pid = 0;
}

std::expected<uint32_t, Win32Error> ProcessHandle::Wait() {
  if (m_handle == kNoNativeHandle) return std::unexpected(kErrorInvalidHandle);
  DWORD code = 0;
  bool ended = ::WaitForSingleObject(m_handle, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(m_handle, &code);
  Win32Error err = ended ? kErrorSuccess : LastError();
  Close();
  if (!ended) return std::unexpected(err);
  return static_cast<uint32_t>(code);
}

// SEE_MASK_FLAG_NO_UI: a failure is returned, never shown in a message box
// that would wait for a user; the caller reports it in its own words.
// The item-id-list bits (SEE_MASK_INVOKEIDLIST) are not passed on: we name
// the program by its path and use the default verb, which Windows then runs
// the same with or without them, while Wine refuses them without an id list
// (ERROR_INVALID_PARAMETER) although Windows documents a path as enough.
std::expected<ProcessHandle, Win32Error> ShellExecuteProgram(std::string_view file, std::string_view parameters,
                                                             uint32_t mask) {
  std::wstring wideFile = Widen(file);
  std::wstring wideParameters = Widen(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = (mask & ~static_cast<ULONG>(SEE_MASK_INVOKEIDLIST)) | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = wideFile.c_str();
  info.lpParameters = wideParameters.empty() ? nullptr : wideParameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) return std::unexpected(ShellExecuteError(info));
  if (info.hProcess == nullptr) return ProcessHandle();
  return ProcessHandle(info.hProcess, ::GetProcessId(info.hProcess));
}

}  // namespace platform
