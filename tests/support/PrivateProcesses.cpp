#include "tests/support/PrivateProcesses.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/NetworkSandbox.h"

namespace {

constexpr int kNoNamespace = 201;
bool g_bPrivate = false;
bool g_bPrivateNetwork = false;

int ExitStatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// As the first process of the namespace: the tests run in a child with a
// network of its own (true there); this process collects every process that
// ends in the namespace (orphans come to it) until the tests have ended, and
// exits with their status.
bool RunTestsInTheirOwnNetwork() {
  const pid_t tests = fork();
  if (tests < 0) _exit(kNoNamespace);
  if (tests == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    g_bPrivate = true;
    g_bPrivateNetwork = network_sandbox::Enter();
    return true;
  }
  int status = 0;
  for (;;) {
    int one = 0;
    const pid_t ended = wait(&one);
    if (ended == tests) {
      status = one;
      break;
    }
    if (ended < 0 && errno != EINTR) break;
  }
  _exit(ExitStatusOf(status));
}

}  // namespace

bool HasPrivateProcesses() { return g_bPrivate; }
bool HasPrivateNetwork() { return g_bPrivateNetwork; }

PrivateProcesses EnterPrivateProcesses(bool bOwnNetwork) {
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
      if (bOwnNetwork && RunTestsInTheirOwnNetwork()) return {true, true, g_bPrivateNetwork, 0};
      g_bPrivate = true;
      return {true, true, false, 0};
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
  return {false, true, bOwnNetwork, ExitStatusOf(status)};
}
