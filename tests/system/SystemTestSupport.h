#pragma once

// Helpers of the system tests: the trace log, a lock held by another
// process, a running program and a private process namespace. They use the
// host directly because they set up the world the code under test meets.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/process/Process.h"
#include "system/SetupFolders.h"
#include "system/Trace.h"
#include "tests/support/TempPrefix.h"

// Switches tracing on in the current prefix and collects the lines in a file.
// Construct after the TempPrefix.
class TraceLog {
 public:
  TraceLog() {
    m_strPath = m_dir.Path() + "/trace.log";
    setenv("VAMO_DEBUG_LOG", m_strPath.c_str(), 1);
    platform::fs::CreateDirectoryPath(CSetupFolders::InstallFolder());
    platform::fs::WriteFileAtomic(CSetupFolders::InstalledVersionFile(), "[GENERAL]\r\nDEBUG=TRACE\r\n");
  }
  ~TraceLog() { unsetenv("VAMO_DEBUG_LOG"); }
  std::string Text() const { return ReadHostFile(m_strPath); }
  // Lets processes of other users (tests that switch users) add lines.
  void OpenToEveryone() const {
    chmod(m_dir.Path().c_str(), 0777);
    int fd = open(m_strPath.c_str(), O_CREAT | O_WRONLY, 0666);
    if (fd >= 0) {
      fchmod(fd, 0666);
      close(fd);
    }
  }
  bool Has(const std::string& message) const {
    return Text().find(std::string(kTracePrefix) + message + "\n") != std::string::npos;
  }

 private:
  TempDir m_dir;
  std::string m_strPath;
};

// A child process that holds an flock on a file until the object dies.
class HeldLock {
 public:
  HeldLock(const std::string& hostPath, int operation) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(ready[0]);
      close(release[1]);
      int fd = open(hostPath.c_str(), O_RDONLY);
      char ok = (fd >= 0 && flock(fd, operation) == 0) ? 1 : 0;
      if (write(ready[1], &ok, 1) != 1) _exit(1);
      char byte;
      (void)!read(release[0], &byte, 1);
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char ok = 0;
    m_bLocked = read(ready[0], &ok, 1) == 1 && ok == 1;
    close(ready[0]);
    m_release = release[1];
  }
  ~HeldLock() {
    if (m_release >= 0) close(m_release);
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
  }
  bool Locked() const { return m_bLocked; }

 private:
  pid_t m_pid = -1;
  int m_release = -1;
  bool m_bLocked = false;
};

// A program started by the test and ended by it, by its own PID.
class RunningProgram {
 public:
  RunningProgram(const std::string& windowsPath, const std::string& arguments) {
    auto handle = platform::ShellExecuteProgram(windowsPath, arguments);
    if (handle) m_handle = std::move(*handle);
  }
  ~RunningProgram() { End(); }
  bool Started() const { return m_handle.Pid() > 0 && m_handle.Pid() != static_cast<uint32_t>(-1); }
  uint32_t Pid() const { return m_handle.Pid(); }
  void End() {
    if (!Started()) return;
    kill(static_cast<pid_t>(m_handle.Pid()), SIGKILL);
    (void)m_handle.Wait();
  }
  // The exit status (128 + signal when it was killed).
  uint32_t Wait() {
    auto status = m_handle.Wait();
    return status ? *status : 0xFFFFFFFF;
  }

 private:
  platform::ProcessHandle m_handle;
};

// Copies a host file with its permissions.
inline void CopyHostFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

// Runs body in a child process that has a PID namespace and /proc of its
// own, so that it sees (and can end) only the processes it starts itself.
// Returns the body's result (0 to 255), or -1 when the namespace cannot be
// made here (then the caller skips).
inline int RunInPrivatePidNamespace(const std::function<int()>& body) {
  pid_t outer = fork();
  if (outer < 0) return -1;
  if (outer == 0) {
    if (unshare(CLONE_NEWNS | CLONE_NEWPID) != 0) _exit(200);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(200);
    pid_t inner = fork();
    if (inner < 0) _exit(200);
    if (inner == 0) {
      if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) _exit(200);
      _exit(body());
    }
    int status = 0;
    waitpid(inner, &status, 0);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 201);
  }
  int status = 0;
  waitpid(outer, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 200) return -1;
  return WEXITSTATUS(status);
}
