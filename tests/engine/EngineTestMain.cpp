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

// Where the tests run: in a child inside the new namespaces (bRunHere in the
// child), or here when no namespace could be made; the parent that made the
// child only passes the child's exit status on.
struct CWhere {
  bool bRunHere = true;
  bool bPrivate = false;
  int nExitStatus = 0;
};

CWhere RunInPrivateNamespaces() {
  if (unshare(CLONE_NEWNS | CLONE_NEWPID) != 0) return {};
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return {};
  pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    // When whoever waits for us is gone (a time-out killed it), so are we.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) _exit(200);
    return {true, true, 0};
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return {false, true, exitStatus};
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
