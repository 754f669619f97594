#include "platform/sim/NetConfigText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::net::DhcpLease;

TEST(NetConfigText, NameServersInFileOrderIpv4Only) {
  const std::string text =
      "# generated\n"
      "search lab.test corp.test\n"
      "nameserver 203.0.113.53\n"
      "nameserver 2001:db8::53\n"
      "nameserver   198.51.100.53   # secondary\n"
      "; nameserver 192.0.2.1\n"
      "nameserver 999.1.1.1\n"
      "nameserver\n"
      "options ndots:2\r\n"
      "nameserver 192.0.2.53\r\n";
  EXPECT_EQ(platform::net::ParseResolvConfServers(text),
            (std::vector<std::string>{"203.0.113.53", "198.51.100.53", "192.0.2.53"}));
  EXPECT_EQ(platform::net::ParseResolvConfDomain(text), "lab.test");
  EXPECT_EQ(platform::net::ParseResolvConfDomain("domain a.test\nsearch b.test c.test\n"), "b.test");
  EXPECT_EQ(platform::net::ParseResolvConfDomain("search b.test\ndomain a.test\n"), "a.test");
  EXPECT_TRUE(platform::net::ParseResolvConfServers("").empty());
  EXPECT_EQ(platform::net::ParseResolvConfDomain(""), "");
}

TEST(NetConfigText, NsswitchTellsWhetherHostsUseDns) {
  EXPECT_TRUE(platform::net::NsswitchUsesDns("passwd: files\nhosts: files mdns4_minimal [NOTFOUND=return] dns\n"));
  EXPECT_FALSE(platform::net::NsswitchUsesDns("hosts: files myhostname\n"));
  EXPECT_FALSE(platform::net::NsswitchUsesDns("# hosts: files dns\n"));
  EXPECT_FALSE(platform::net::NsswitchUsesDns(""));
}

// A routing table as /proc/net/route prints it on a little-endian host.
constexpr char kRoutes[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t016433C6\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t006433C6\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
    "eth0\t00000000\t FE6433C6\t0003\t0\t0\t50\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t017100CB\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t027100CB\t0003\t0\t0\t300\t00000000\t0\t0\t0\n"
    "tun0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
    "down0\t00000000\t037100CB\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
    "broken line\n";

TEST(NetConfigText, DefaultGatewayIsTheBestUsableDefaultRoute) {
  const std::vector<platform::net::RouteEntry> routes = platform::net::ParseRouteTable(kRoutes);
  ASSERT_EQ(routes.size(), 7u);
  EXPECT_EQ(routes[1].strInterface, "eth0");
  EXPECT_EQ(platform::net::Ipv4Text(routes[1].destination), "198.51.100.0");
  EXPECT_EQ(platform::net::Ipv4Text(routes[1].mask), "255.255.255.0");
  // The gateway column of the third line has a stray blank: the words are
  // still read in order.
  EXPECT_EQ(platform::net::DefaultGateway(routes, "eth0"), "198.51.100.254");
  EXPECT_EQ(platform::net::DefaultGateway(routes, "wlan0"), "203.0.113.2");
  // A default route without a gateway (point-to-point) and one that is not
  // up name no gateway.
  EXPECT_EQ(platform::net::DefaultGateway(routes, "tun0"), "0.0.0.0");
  EXPECT_EQ(platform::net::DefaultGateway(routes, "down0"), "0.0.0.0");
  EXPECT_EQ(platform::net::DefaultGateway(routes, "eth1"), "0.0.0.0");
  EXPECT_EQ(platform::net::DefaultGateway({}, "eth0"), "0.0.0.0");
}

TEST(NetConfigText, MaskTextOfPrefixLength) {
  EXPECT_EQ(platform::net::PrefixMaskText(24), "255.255.255.0");
  EXPECT_EQ(platform::net::PrefixMaskText(0), "0.0.0.0");
  EXPECT_EQ(platform::net::PrefixMaskText(32), "255.255.255.255");
  EXPECT_EQ(platform::net::PrefixMaskText(20), "255.255.240.0");
}

constexpr char kDhclientLeases[] =
    "default-duid \"\\000\\001\";\n"
    "lease {\n"
    "  interface \"eth0\";\n"
    "  fixed-address 198.51.100.20;\n"
    "  option subnet-mask 255.255.255.0;\n"
    "  option dhcp-lease-time 600;\n"
    "  option dhcp-server-identifier 198.51.100.1;\n"
    "  expire 2 2024/01/02 03:04:05;\n"
    "}\n"
    "lease {\n"
    "  interface \"wlan0\";\n"
    "  fixed-address 203.0.113.9;\n"
    "}\n"
    "lease {\n"
    "  interface \"eth0\";\n"
    "  fixed-address 198.51.100.21;\n"
    "  option subnet-mask 255.255.255.0;\n"
    "  option dhcp-lease-time 86400;\n"
    "  option netbios-name-servers 198.51.100.5, 198.51.100.6;\n"
    "  option dhcp-server-identifier 198.51.100.2;\n"
    "  renew 3 2024/01/03 00:00:00;\n"
    "  expire epoch 1704326400; # Thu Jan 04 00:00:00 2024\n"
    "}\n";

TEST(NetConfigText, DhclientGivesTheLastLeaseOfTheInterface) {
  const std::optional<DhcpLease> lease = platform::net::ParseDhclientLeases(kDhclientLeases, "eth0");
  ASSERT_TRUE(lease.has_value());
  EXPECT_EQ(lease->strAddress, "198.51.100.21");
  EXPECT_EQ(lease->strMask, "255.255.255.0");
  EXPECT_EQ(lease->strServer, "198.51.100.2");
  EXPECT_EQ(lease->strPrimaryWins, "198.51.100.5");
  EXPECT_EQ(lease->strSecondaryWins, "198.51.100.6");
  EXPECT_EQ(lease->expires, 1704326400);
  EXPECT_EQ(lease->obtained, 1704326400 - 86400);

  const std::optional<DhcpLease> wireless = platform::net::ParseDhclientLeases(kDhclientLeases, "wlan0");
  ASSERT_TRUE(wireless.has_value());
  EXPECT_EQ(wireless->strAddress, "203.0.113.9");
  EXPECT_EQ(wireless->expires, 0);
  EXPECT_EQ(wireless->obtained, 0);
  EXPECT_FALSE(platform::net::ParseDhclientLeases(kDhclientLeases, "eth1").has_value());
}

TEST(NetConfigText, DhclientDatesAreUtc) {
  const std::optional<DhcpLease> lease = platform::net::ParseDhclientLeases(
      "lease {\n fixed-address 192.0.2.7;\n option dhcp-lease-time 3600;\n expire 2 2024/01/02 03:04:05;\n}\n",
      "any0");
  ASSERT_TRUE(lease.has_value());
  EXPECT_EQ(lease->expires, 1704164645);  // 2024-01-02T03:04:05Z
  EXPECT_EQ(lease->obtained, 1704164645 - 3600);
  // A block left open at the end of the file is no lease.
  EXPECT_FALSE(platform::net::ParseDhclientLeases("lease {\n fixed-address 192.0.2.7;\n", "any0").has_value());
}

TEST(NetConfigText, NetworkdLeaseCountsFromTheFileTime) {
  const std::optional<DhcpLease> lease = platform::net::ParseNetworkdLease(
      "# This is private data. Do not parse.\nADDRESS=192.0.2.44\nNETMASK=255.255.255.128\nROUTER=192.0.2.1\n"
      "SERVER_ADDRESS=192.0.2.2\nT1=1800\nLIFETIME=3600\n",
      1700000000);
  ASSERT_TRUE(lease.has_value());
  EXPECT_EQ(lease->strAddress, "192.0.2.44");
  EXPECT_EQ(lease->strMask, "255.255.255.128");
  EXPECT_EQ(lease->strServer, "192.0.2.2");
  EXPECT_EQ(lease->obtained, 1700000000);
  EXPECT_EQ(lease->expires, 1700003600);
  EXPECT_FALSE(platform::net::ParseNetworkdLease("NETMASK=255.0.0.0\n", 1).has_value());
}

TEST(NetConfigText, HardwareTypesMapToAdapterTypes) {
  using platform::net::InterfaceTypeFromHardware;
  EXPECT_EQ(InterfaceTypeFromHardware(1, false), platform::net::kIfTypeEthernet);
  EXPECT_EQ(InterfaceTypeFromHardware(1, true), platform::net::kIfTypeIeee80211);
  EXPECT_EQ(InterfaceTypeFromHardware(6, false), platform::net::kIfTypeTokenRing);
  EXPECT_EQ(InterfaceTypeFromHardware(800, false), platform::net::kIfTypeTokenRing);
  EXPECT_EQ(InterfaceTypeFromHardware(774, false), platform::net::kIfTypeFddi);
  EXPECT_EQ(InterfaceTypeFromHardware(512, false), platform::net::kIfTypePpp);
  EXPECT_EQ(InterfaceTypeFromHardware(772, false), platform::net::kIfTypeLoopback);
  for (uint32_t slip : {256u, 257u, 258u, 259u}) {
    EXPECT_EQ(InterfaceTypeFromHardware(slip, false), platform::net::kIfTypeSlip);
  }
  EXPECT_EQ(InterfaceTypeFromHardware(65534, false), platform::net::kIfTypeOther);  // tun
  EXPECT_EQ(InterfaceTypeFromHardware(0xFFFF, false), platform::net::kIfTypeOther);
}

}  // namespace
