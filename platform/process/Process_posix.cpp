#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/fs/Path.h"
#include "platform/process/Process.h"
#include "platform/process/Spawn_posix.h"

namespace platform {

namespace {

std::string ReadSmallFile(const std::string& path) {
  ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return {};
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// Base name of a program path; either separator counts, because wine shows
// Windows paths in a process's arguments.
std::string BaseName(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

struct ProcStat {
  char state = '?';
  uint32_t parentPid = 0;
};

// /proc/PID/stat: "pid (comm) state ppid ..."; comm may contain spaces and
// parentheses, so the fields are read after the last ')'.
bool ReadProcStat(const std::string& dir, ProcStat& out) {
  std::string text = ReadSmallFile(dir + "/stat");
  size_t close = text.rfind(')');
  if (close == std::string::npos || close + 4 >= text.size()) return false;
  out.state = text[close + 2];
  const char* begin = text.data() + close + 4;
  const char* end = text.data() + text.size();
  uint32_t ppid = 0;
  if (std::from_chars(begin, end, ppid).ec != std::errc()) return false;
  out.parentPid = ppid;
  return true;
}

// The kernel names a process (comm, at most 15 bytes) after the file that
// was executed: for a script that is the script, not its interpreter, and
// wine names its processes after the PE file. So the image is the program
// link's base name when comm agrees with it, otherwise the argument whose
// base name comm abbreviates, and comm itself as the last resort (kernel
// threads, processes of other users whose link we may not read).
std::string ImageNameOf(const std::string& dir) {
  std::string comm = ReadSmallFile(dir + "/comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();

  std::string exeBase;
  char link[4096];
  ssize_t n = ::readlink((dir + "/exe").c_str(), link, sizeof link - 1);
  if (n > 0) {
    std::string target(link, static_cast<size_t>(n));
    static constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    exeBase = BaseName(target);
    if (!comm.empty() && exeBase.starts_with(comm)) return exeBase;
  }

  if (!comm.empty()) {
    std::string cmdline = ReadSmallFile(dir + "/cmdline");
    size_t pos = 0;
    while (pos < cmdline.size()) {
      size_t end = cmdline.find('\0', pos);
      if (end == std::string::npos) end = cmdline.size();
      std::string base = BaseName(std::string_view(cmdline).substr(pos, end - pos));
      if (!base.empty() && base.starts_with(comm)) return base;
      pos = end + 1;
    }
  }
  return exeBase.empty() ? comm : exeBase;
}

bool ParsePid(const char* name, uint32_t& pid) {
  const char* end = name + std::strlen(name);
  auto [ptr, ec] = std::from_chars(name, end, pid);
  return ec == std::errc() && ptr == end && pid > 0;
}

}  // namespace

uint32_t GetCurrentProcessId() { return static_cast<uint32_t>(getpid()); }

// Every process visible in /proc is a Windows process whose image name is the
// base name of its program; for a program started through an interpreter (a
// script, or a PE file run by wine) it is the script's or PE file's name,
// because that is the program the user started. kErrorAccessDenied (or
// another error) when /proc cannot be read.

std::expected<std::vector<ProcessEntry>, Win32Error> ListProcesses() {
  DIR* dir = ::opendir("/proc");
  if (!dir) return std::unexpected(Win32ErrorFromErrno(errno));
  std::vector<ProcessEntry> entries;
  while (dirent* entry = ::readdir(dir)) {
    uint32_t pid = 0;
    if (!ParsePid(entry->d_name, pid)) continue;
    std::string procDir = std::string("/proc/") + entry->d_name;
    ProcStat stat;
    // Gone since the folder was read, or a zombie: no longer running.
    if (!ReadProcStat(procDir, stat) || stat.state == 'Z' || stat.state == 'X') continue;
    std::string image = ImageNameOf(procDir);
    if (image.empty()) continue;
    entries.push_back({pid, stat.parentPid, std::move(image)});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
  return entries;
}

std::expected<std::string, Win32Error> GetProcessImageName(uint32_t pid) {
  std::string procDir = "/proc/" + std::to_string(pid);
  ProcStat stat;
  if (!ReadProcStat(procDir, stat) || stat.state == 'Z' || stat.state == 'X')
    return std::unexpected(kErrorInvalidParameter);
  return ImageNameOf(procDir);
}

// SIGKILL: a killed process cannot be given an exit code, but its waiter
// sees 128 + 9, which is kTerminatedExitCode.
static_assert(kTerminatedExitCode == 128 + SIGKILL);

Win32Error TerminateProcess(uint32_t pid) {
  if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX)) return kErrorInvalidParameter;
  // A child that has ended but was not waited for yet is no longer running.
  ProcStat stat;
  if (ReadProcStat("/proc/" + std::to_string(pid), stat) && (stat.state == 'Z' || stat.state == 'X'))
    return kErrorInvalidParameter;
  if (::kill(static_cast<pid_t>(pid), SIGKILL) == 0) return kErrorSuccess;
  if (errno == ESRCH) return kErrorInvalidParameter;
  return Win32ErrorFromErrno(errno);
}

// On Linux a process handle is the child's pid: waiting reaps it, and a
// handle dropped unwaited leaves the child to be reaped at our exit.
void ProcessHandle::Close() {
  m_handle = kNoNativeHandle;
  m_pid = 0;
}

// A process killed by a signal gives 128 + the signal's number, as a shell
// reports it; TerminateProcess's SIGKILL thus gives kTerminatedExitCode.
std::expected<uint32_t, Win32Error> ProcessHandle::Wait() {
  if (m_handle <= 0) return std::unexpected(kErrorInvalidHandle);
  int status = 0;
  pid_t rc;
  do {
    rc = ::waitpid(m_handle, &status, 0);
  } while (rc < 0 && errno == EINTR);
  Close();
  if (rc < 0) return std::unexpected(kErrorInvalidHandle);
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return static_cast<uint32_t>(128 + WTERMSIG(status));
  return static_cast<uint32_t>(status);
}

// Native executables and scripts with a "#!" line run directly; a PE file
// ("MZ") runs through wine when wine is installed, and is a file without
// association otherwise. The personality has no security zones, so
// kSeeMaskNoZoneChecks has nothing to suppress; no mask bit changes anything.
std::expected<ProcessHandle, Win32Error> ShellExecuteProgram(std::string_view file, std::string_view parameters,
                                                             uint32_t /*mask*/) {
  std::string host;
  std::expected<ScopedFd, Win32Error> fd = detail::OpenProgramFile(file, host);
  if (!fd) return std::unexpected(fd.error());
  return detail::SpawnProgram(fd->Get(), host, parameters, false);
}

}  // namespace platform
