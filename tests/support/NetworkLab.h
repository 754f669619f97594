#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "tests/support/ToolRunner.h"

// A network lab (tools/lab/lab, docs/lab.md) owned by one test: a client
// namespace that stands for the user's PC, wired to a namespace with the
// gateway, the DNS servers and the web hosts. Every network probe of a test
// runs inside the client namespace, never on the machine's own network.
//
// The constructor brings a lab up under a name unique to this process, with
// the host names of this build and this process as its owner (so that
// `lab gc` removes it should the test be killed); the destructor brings it
// down. Labs of different processes, and several labs of one process, run
// side by side.
//
//   TEST(Network, GatewayIgnoringEcho) {
//     VAMO_REQUIRE_LAB();
//     NetworkLab lab;
//     ASSERT_TRUE(lab.IsUp()) << lab.Error();
//     ASSERT_TRUE(lab.Set({"icmp=off"})) << lab.Error();
//     ToolOutput out = lab.Run({VAMO_TOOL_PATH, "analyze", "network"});
//     ...
//   }
//
// A test can also run a part of itself inside the client namespace: the test
// program is started again there, filtered to the current test, with a marker
// in its environment that InsideLab() sees.
//
//   TEST(Probes, PingReachesTheGateway) {
//     if (NetworkLab::InsideLab()) {
//       EXPECT_EQ(0, PingHost(nullptr, NetworkLab::InsideValue("gateway").c_str()));
//       return;
//     }
//     VAMO_REQUIRE_LAB();
//     NetworkLab lab;
//     ASSERT_TRUE(lab.IsUp()) << lab.Error();
//     EXPECT_TRUE(lab.RunCurrentTestInside());
//   }

struct NetworkLabOptions {
  int nDnsServers = 2;                // DNS servers in the client's resolv.conf: 1 to 3
  bool bSecondAdapter = false;        // a second client adapter without carrier
  std::string strUpdateRoot;          // the update server's documents; empty: an empty site
  std::vector<std::string> switches;  // switches set at start ("icmp=off", "pay=closed")
  std::vector<std::string> extraArgs; // further `lab up` options
};

// Longest run of one lab command. The lab bounds its own waits (seconds);
// this only turns a lab that hangs against all odds into a clear failure.
inline constexpr std::chrono::seconds kLabCommandLimit{120};

class NetworkLab {
 public:
  explicit NetworkLab(const NetworkLabOptions& options = {});
  // Brings the lab down; a failure there is a test failure.
  ~NetworkLab();
  NetworkLab(const NetworkLab&) = delete;
  NetworkLab& operator=(const NetworkLab&) = delete;

  // False when `lab up` failed; Error() then holds its message.
  bool IsUp() const { return m_bUp; }
  const std::string& Error() const { return m_strError; }
  const std::string& Name() const { return m_strName; }

  // A value of `lab status` (gateway, client_addr, dns1, www_host, www_addr,
  // pay_addr, update_addr, ca, the switches ...); empty when there is none.
  std::string Value(const std::string& key) const;
  std::string CaPath() const { return Value("ca"); }

  // Changes fault switches ("carrier=off", "dns-down=1", "www80=closed",
  // "defaults"). Returns false and sets Error() when the lab refused them.
  bool Set(const std::vector<std::string>& switches);
  // Serves a host folder as the update server's documents.
  bool Publish(const std::string& dir);

  // Runs a program inside the client namespace with this process's
  // environment plus extraEnv, and collects its exit status and output.
  ToolOutput Run(const std::vector<std::string>& command, const std::vector<std::string>& extraEnv = {},
                 std::chrono::seconds limit = kLabCommandLimit) const;
  // Runs a bash script inside the client namespace. Every status value is in
  // its environment as LAB_<KEY> (LAB_GATEWAY, LAB_WWW_ADDR, LAB_DNS_DOWN ...).
  ToolOutput RunShell(const std::string& script, const std::vector<std::string>& extraEnv = {}) const;

  // Runs the current test again inside the client namespace (see above).
  // Succeeds when exactly that one test ran there and passed; the failure
  // message carries the inner run's output.
  // A test whose inner half runs longer than any lab command (a whole run of
  // a Windows program under Wine) names its own limit.
  ::testing::AssertionResult RunCurrentTestInside(const std::vector<std::string>& extraEnv = {},
                                                  std::chrono::seconds limit = kLabCommandLimit) const;
  // The same in a PID namespace of the test's own, whose first process (a
  // shell) stays outside the lab's network, as scripts/demo runs the
  // wizard: the inner test meets only processes it started, and a program
  // that refuses to probe the machine's own network sees that its network
  // was made for it.
  ::testing::AssertionResult RunCurrentTestInsideOwnProcesses(const std::vector<std::string>& extraEnv = {}) const;

  // True in the inner run of RunCurrentTestInside, for that test only.
  static bool InsideLab();
  // A status value of the lab this process runs in (empty outside a lab).
  static std::string InsideValue(const std::string& key);

  // Why no lab can be made here (not root and no password-less sudo), or ""
  // when it can.
  static std::string WhyUnavailable();
  // Runs tools/lab/lab with the given arguments, bounded in time.
  static ToolOutput RunLabTool(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {},
                               std::chrono::seconds limit = kLabCommandLimit);
  // `lab status NAME` as a map; empty when there is no such lab.
  static std::map<std::string, std::string> StatusOf(const std::string& name);

 private:
  bool RefreshStatus();
  ::testing::AssertionResult RunInside(const std::vector<std::string>& extraEnv, bool bOwnProcesses,
                                       std::chrono::seconds limit) const;

  std::string m_strName;
  std::string m_strError;
  std::map<std::string, std::string> m_status;
  bool m_bUp = false;
};

// The lab all tests of a test program share, brought up on first use (one
// lab per program keeps its tests quick); EndSharedNetworkLab brings it down
// (a test environment's TearDown, once every test has run).
NetworkLab& SharedNetworkLab();
void EndSharedNetworkLab();

// Brings the shared lab down once every test of the program has run
// (::testing::AddGlobalTestEnvironment in the program's main).
class SharedLabEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { EndSharedNetworkLab(); }
};

// Skips the test where labs cannot be made (a developer without root);
// CI runs as root, where every lab test runs.
#define VAMO_REQUIRE_LAB()                                   \
  do {                                                       \
    std::string strWhy = NetworkLab::WhyUnavailable();       \
    if (!strWhy.empty()) GTEST_SKIP() << strWhy;             \
  } while (0)
