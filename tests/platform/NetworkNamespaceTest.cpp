// Whether the process runs in a network made for it: as root and as a user
// without rights, in the test's own network and in a new one. A user cannot
// open root's namespace files, which must not make a lab look like the
// machine's network (nor the other way round). And the guard built on it.
#include <grp.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/net/NetworkGuard.h"
#include "platform/sim/NetworkNamespace.h"

namespace {

struct NamespaceCase {
  const char* name;
  bool bNewNetwork;
  bool bAsUser;
  bool bPrivate;
};

class NetworkNamespace : public ::testing::TestWithParam<NamespaceCase> {};

TEST_P(NetworkNamespace, TellsANetworkMadeForTheProcess) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a network namespace and a change of user";
  const NamespaceCase& c = GetParam();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (c.bNewNetwork && unshare(CLONE_NEWNET) != 0) _exit(10);
    const gid_t nobody = 65534;
    if (c.bAsUser && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)) _exit(11);
    _exit(platform::net::IsPrivateNetworkNamespace() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), c.bPrivate ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Processes, NetworkNamespace,
                         ::testing::Values(NamespaceCase{"MachineNetworkAsRoot", false, false, false},
                                           NamespaceCase{"MachineNetworkAsUser", false, true, false},
                                           NamespaceCase{"NewNetworkAsRoot", true, false, true},
                                           NamespaceCase{"NewNetworkAsUser", true, true, true}),
                         [](const ::testing::TestParamInfo<NamespaceCase>& info) { return info.param.name; });

// A whole run's guard: a network made for the program, or the caller's word
// (the command-line switch, or VAMO_HOST_NETWORK=1 and nothing else).
struct GuardCase {
  const char* name;
  bool bNewNetwork;
  bool bSwitch;
  const char* pszVariable;  // VAMO_HOST_NETWORK, or null for none
  bool bMayProbe;
};

class NetworkGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(NetworkGuard, LetsARunProbeOnlyWhereItMay) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root for a network namespace";
  const GuardCase& c = GetParam();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (c.bNewNetwork && unshare(CLONE_NEWNET) != 0) _exit(10);
    if (c.pszVariable) {
      setenv(platform::net::kHostNetworkVariable, c.pszVariable, 1);
    } else {
      unsetenv(platform::net::kHostNetworkVariable);
    }
    _exit(platform::net::MayProbeNetwork(c.bSwitch) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), c.bMayProbe ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Callers, NetworkGuard,
                         ::testing::Values(GuardCase{"MachineNetwork", false, false, nullptr, false},
                                           GuardCase{"MachineNetworkWithTheSwitch", false, true, nullptr, true},
                                           GuardCase{"MachineNetworkWithTheVariable", false, false, "1", true},
                                           GuardCase{"VariableZero", false, false, "0", false},
                                           GuardCase{"VariableYes", false, false, "yes", false},
                                           GuardCase{"VariableEmpty", false, false, "", false},
                                           GuardCase{"NewNetwork", true, false, nullptr, true}),
                         [](const ::testing::TestParamInfo<GuardCase>& info) { return info.param.name; });

}  // namespace
