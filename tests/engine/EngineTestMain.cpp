// The engine's tests run the install procedure, which ends every process
// named like a browser. They run in a PID namespace of their own, so they
// can only ever see and end processes they started, and in a mount namespace
// of their own, so a test can make a folder read-only for everyone (root
// included) without touching the machine.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/engine/InstallTestSupport.h"

namespace {

bool g_bPrivateProcesses = false;

constexpr int kNoNamespace = 201;

// Where the tests run: in a grandchild that is the first process of the new
// namespaces, or here when no namespace could be made. This process never
// enters the namespaces itself (a process whose PID namespace has ended can
// start no more children, and the leak checker needs one at exit); it only
// passes the tests' exit status on.
struct CWhere {
  bool bRunHere = true;
  bool bPrivate = false;
  int nExitStatus = 0;
};

int ExitStatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

CWhere RunInPrivateNamespaces() {
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

}  // namespace

bool HasPrivateProcesses() { return g_bPrivateProcesses; }

int main(int argc, char** argv) {
  CWhere where = RunInPrivateNamespaces();
  if (!where.bRunHere) return where.nExitStatus;
  g_bPrivateProcesses = where.bPrivate;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
