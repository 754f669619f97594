#include "tests/support/PrivateProcesses.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kNoNamespace = 201;
bool g_bPrivate = false;

int ExitStatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

bool HasPrivateProcesses() { return g_bPrivate; }

PrivateProcesses EnterPrivateProcesses() {
  pid_t middle = fork();
  if (middle < 0) return {};
  if (middle == 0) {
    // When whoever waits for us is gone (a time-out killed it), so are we.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (unshare(CLONE_NEWNS | CLONE_NEWPID) != 0) _exit(kNoNamespace);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(kNoNamespace);
    pid_t tests = fork();
    if (tests < 0) _exit(kNoNamespace);
    if (tests == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) _exit(kNoNamespace);
      g_bPrivate = true;
      return {true, true, 0};
    }
    int status = 0;
    while (waitpid(tests, &status, 0) < 0) {
    }
    _exit(ExitStatusOf(status));
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0) {
  }
  if (ExitStatusOf(status) == kNoNamespace) return {};
  return {false, true, ExitStatusOf(status)};
}
