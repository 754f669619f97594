#include "tests/support/PrivateProcesses.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool g_bPrivate = false;
constexpr int kNoNamespace = 201;

int ExitStatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return ExitStatusOf(status);
}

}  // namespace

bool HasPrivateProcesses() { return g_bPrivate; }

// The tests run in a grandchild, the first process of the new namespaces.
// This process never enters them (a process whose PID namespace has ended
// can start no more children, and the leak checker needs one at exit); it
// only passes the tests' exit status on.
bool EnterPrivateProcesses(int* pExitStatus) {
  const pid_t middle = fork();
  if (middle < 0) return true;
  if (middle == 0) {
    // When whoever waits for us is gone (a time-out killed it), so are we.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (unshare(CLONE_NEWNS | CLONE_NEWPID) != 0) _exit(kNoNamespace);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(kNoNamespace);
    const pid_t tests = fork();
    if (tests < 0) _exit(kNoNamespace);
    if (tests == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) _exit(kNoNamespace);
      g_bPrivate = true;
      return true;
    }
    _exit(WaitFor(tests));
  }
  const int status = WaitFor(middle);
  if (status == kNoNamespace) return true;  // run here, seeing every process
  *pExitStatus = status;
  return false;
}
