// The network configuration as the platform reads it from the host, in a
// network namespace of the test's own: veth pairs it makes, a resolv.conf it
// writes.
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/net/AdapterDevice.h"
#include "platform/net/AdaptersInfo.h"
#include "platform/sim/NetConfigText.h"
#include "platform/net/NetworkParams.h"
#include "tests/support/NetworkSandbox.h"
#include "tests/support/TempPrefix.h"

namespace {

int Sh(const std::string& command) { return network_sandbox::Shell(command); }

// A veth pair in the sandbox, removed with the test.
class VethPair {
 public:
  VethPair(std::string first, std::string second) : m_strFirst(std::move(first)) {
    m_bMade = Sh("ip link add " + m_strFirst + " type veth peer name " + second) == 0;
  }
  ~VethPair() { Sh("ip link del " + m_strFirst); }
  bool Made() const { return m_bMade; }

 private:
  std::string m_strFirst;
  bool m_bMade = false;
};

std::vector<uint8_t> MacOf(const std::string& name) {
  unsigned bytes[6] = {};
  const std::string text = ReadHostFile("/sys/class/net/" + name + "/address");
  if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3], &bytes[4],
                  &bytes[5]) != 6) {
    return {};
  }
  return std::vector<uint8_t>(bytes, bytes + 6);
}

TEST(NetworkConfig, AdaptersAreTheInterfacesBesideLoopback) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  VethPair pair("vamo0", "vamo1");
  ASSERT_TRUE(pair.Made());
  ASSERT_EQ(Sh("ip link set vamo0 alias 'Vamo Test Ethernet'"), 0);
  ASSERT_EQ(Sh("ip addr add 198.51.100.10/24 dev vamo0"), 0);
  ASSERT_EQ(Sh("ip addr add 203.0.113.10/28 dev vamo0"), 0);
  ASSERT_EQ(Sh("ip link set vamo0 up && ip link set vamo1 up"), 0);
  ASSERT_EQ(Sh("ip route add default via 198.51.100.1 dev vamo0 metric 20"), 0);
  ASSERT_EQ(Sh("ip route add default via 198.51.100.254 dev vamo0 metric 10"), 0);

  uint32_t nSize = 0;
  ASSERT_EQ(platform::net::GetAdaptersInfoSize(nSize), platform::kErrorBufferOverflow);
  std::vector<platform::net::AdapterInfo> adapters;
  EXPECT_EQ(platform::net::GetAdaptersInfo(nSize - 1, adapters), platform::kErrorBufferOverflow);
  EXPECT_TRUE(adapters.empty());
  ASSERT_EQ(platform::net::GetAdaptersInfo(nSize, adapters), platform::kErrorSuccess);
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(nSize, platform::net::AdaptersInfoSize(adapters));
  EXPECT_LT(adapters[0].nIndex, adapters[1].nIndex);

  const platform::net::AdapterInfo& eth = adapters[0].strAdapterName == "vamo0" ? adapters[0] : adapters[1];
  const platform::net::AdapterInfo& peer = adapters[0].strAdapterName == "vamo0" ? adapters[1] : adapters[0];
  EXPECT_EQ(eth.strDescription, "Vamo Test Ethernet");
  EXPECT_EQ(eth.nType, platform::net::kIfTypeEthernet);
  EXPECT_EQ(eth.address, MacOf("vamo0"));
  ASSERT_EQ(eth.ipAddressList.size(), 2u);
  EXPECT_EQ(eth.ipAddressList[0].strAddress, "198.51.100.10");
  EXPECT_EQ(eth.ipAddressList[0].strMask, "255.255.255.0");
  EXPECT_EQ(eth.ipAddressList[1].strAddress, "203.0.113.10");
  EXPECT_EQ(eth.ipAddressList[1].strMask, "255.255.255.240");
  ASSERT_EQ(eth.gatewayList.size(), 1u);
  EXPECT_EQ(eth.gatewayList[0], "198.51.100.254");
  EXPECT_EQ(eth.bDhcpEnabled, 0u);
  EXPECT_EQ(eth.strDhcpServer, "");
  EXPECT_EQ(eth.leaseObtained, 0);

  // No alias, no address, no route: what Windows shows for such an adapter.
  EXPECT_EQ(peer.strAdapterName, "vamo1");
  EXPECT_EQ(peer.strDescription, "vamo1");
  EXPECT_EQ(peer.address, MacOf("vamo1"));
  ASSERT_EQ(peer.ipAddressList.size(), 1u);
  EXPECT_EQ(peer.ipAddressList[0].strAddress, "0.0.0.0");
  EXPECT_EQ(peer.ipAddressList[0].strMask, "0.0.0.0");
  EXPECT_EQ(peer.gatewayList, std::vector<std::string>{"0.0.0.0"});
}

TEST(NetworkConfig, MachineWithoutAdaptersFailsTheSizeQuery) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  uint32_t nSize = 12345;
  // Anything but ERROR_BUFFER_OVERFLOW, so callers see a failure.
  EXPECT_EQ(platform::net::GetAdaptersInfoSize(nSize), platform::kErrorNoData);
  EXPECT_EQ(nSize, 12345u);
  std::vector<platform::net::AdapterInfo> adapters;
  EXPECT_EQ(platform::net::GetAdaptersInfo(100000, adapters), platform::kErrorNoData);
}

TEST(NetworkConfig, NetworkParamsListTheNameServersInFileOrder) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  network_sandbox::SetResolvConf(
      "search vamo.test\nnameserver 192.0.2.1\nnameserver ::1\nnameserver 192.0.2.2\nnameserver 192.0.2.3\n");
  uint32_t nSize = 0;
  ASSERT_EQ(platform::net::GetNetworkParamsSize(nSize), platform::kErrorBufferOverflow);
  platform::net::NetworkParams params;
  EXPECT_EQ(platform::net::GetNetworkParams(nSize - 1, params), platform::kErrorBufferOverflow);
  ASSERT_EQ(platform::net::GetNetworkParams(nSize, params), platform::kErrorSuccess);
  EXPECT_EQ(params.dnsServers, (std::vector<std::string>{"192.0.2.1", "192.0.2.2", "192.0.2.3"}));
  EXPECT_EQ(params.strDomainName, "vamo.test");
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(params.strHostName, std::string(host).substr(0, std::string(host).find('.')));
  EXPECT_EQ(params.nodeType, 0u);
  EXPECT_EQ(params.strScopeId, "");

  // One more server than the buffer was sized for.
  network_sandbox::SetResolvConf("nameserver 192.0.2.1\nnameserver 192.0.2.2\nnameserver 192.0.2.3\n"
                                 "nameserver 192.0.2.4\n");
  EXPECT_EQ(platform::net::GetNetworkParams(nSize, params), platform::kErrorBufferOverflow);
  network_sandbox::SetResolvConf("");
  ASSERT_EQ(platform::net::GetNetworkParamsSize(nSize), platform::kErrorBufferOverflow);
  ASSERT_EQ(platform::net::GetNetworkParams(nSize, params), platform::kErrorSuccess);
  EXPECT_TRUE(params.dnsServers.empty());
  network_sandbox::SetResolvConf("nameserver 127.0.0.1\n");
}

std::expected<uint32_t, platform::Win32Error> MediaState(const std::string& name) {
  std::expected<platform::net::AdapterDevice, platform::Win32Error> device =
      platform::net::AdapterDevice::Open(platform::net::AdapterDevicePath(name));
  if (!device) return std::unexpected(device.error());
  return device->QueryGlobalStats(platform::net::kOidGenMediaConnectStatus);
}

TEST(AdapterDevice, MediaStateFollowsTheLink) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  EXPECT_EQ(MediaState("nosuch0").error(), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::net::AdapterDevice::Open("lo").error(), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::net::AdapterDevice::Open("\\\\.\\").error(), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::net::AdapterDevice::Open("\\\\.\\../lo").error(), platform::kErrorFileNotFound);

  VethPair pair("vamo2", "vamo3");
  ASSERT_TRUE(pair.Made());
  // Administratively down: the carrier cannot be read.
  EXPECT_EQ(MediaState("vamo2").error(), platform::kErrorNotReady);
  ASSERT_EQ(Sh("ip link set vamo2 up"), 0);
  EXPECT_EQ(MediaState("vamo2"), platform::net::kMediaStateDisconnected);
  ASSERT_EQ(Sh("ip link set vamo3 up"), 0);
  EXPECT_EQ(MediaState("vamo2"), platform::net::kMediaStateConnected);

  std::expected<platform::net::AdapterDevice, platform::Win32Error> device =
      platform::net::AdapterDevice::Open(platform::net::AdapterDevicePath("vamo2"));
  ASSERT_TRUE(device.has_value());
  EXPECT_EQ(device->QueryGlobalStats(0x00010101).error(), platform::kErrorNotSupported);
  // The adapter goes away while its device is open.
  ASSERT_EQ(Sh("ip link del vamo2"), 0);
  EXPECT_EQ(device->QueryGlobalStats(platform::net::kOidGenMediaConnectStatus).error(),
            platform::kErrorDeviceNotConnected);
  device->Close();
  EXPECT_EQ(device->QueryGlobalStats(platform::net::kOidGenMediaConnectStatus).error(),
            platform::kErrorInvalidHandle);
}

// A process moved into a new network namespace without mounting /sys again
// still sees the old namespace's interfaces there. The device must answer
// for the interface of its own namespace, not for a namesake in /sys.
TEST(AdapterDevice, IgnoresSysfsOfAnotherNamespace) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  VethPair padding("vamopad0", "vamopad1");
  VethPair namesake("vamo5", "vamo8");
  ASSERT_TRUE(padding.Made() && namesake.Made());
  ASSERT_EQ(MediaState("vamo5").error(), platform::kErrorNotReady);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNET) != 0) _exit(10);
    if (Sh("ip link add vamo5 type veth peer name vamo6 && ip link set vamo5 up && ip link set vamo6 up") != 0) {
      _exit(11);
    }
    const auto up = MediaState("vamo5");
    if (!up || *up != platform::net::kMediaStateConnected) _exit(12);
    if (Sh("ip link set vamo6 down") != 0) _exit(13);
    const auto peerDown = MediaState("vamo5");
    if (!peerDown || *peerDown != platform::net::kMediaStateDisconnected) _exit(14);
    if (Sh("ip link set vamo5 down") != 0) _exit(15);
    const auto down = MediaState("vamo5");
    _exit(!down && down.error() == platform::kErrorNotReady ? 0 : 16);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
