#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/AdaptersInfo.h"

// The host's network configuration files, read as text. The network
// parameters and the adapter list are assembled from these; the parsers are
// separate so that tests can feed them any text while the host's own files
// are only ever read.
namespace platform::net {

// resolv.conf: the IPv4 addresses of the "nameserver" lines, in file order.
// IPv6 servers and malformed lines are skipped (the parameters list IPv4
// servers only); "#" and ";" start comments.
std::vector<std::string> ParseResolvConfServers(std::string_view text);
// The "domain" line, or else the first name of the "search" line; the later
// line of either kind wins, as the resolver reads them. Empty when none.
std::string ParseResolvConfDomain(std::string_view text);

// nsswitch.conf: whether the "hosts:" line names the dns service.
bool NsswitchUsesDns(std::string_view text);

// One line of /proc/net/route. Addresses are as the kernel keeps them
// (network byte order in memory).
struct RouteEntry {
  std::string strInterface;
  uint32_t destination = 0;
  uint32_t gateway = 0;
  uint32_t flags = 0;
  uint32_t metric = 0;
  uint32_t mask = 0;
};
// Every well-formed line after the header; others are skipped.
std::vector<RouteEntry> ParseRouteTable(std::string_view text);
// The interface's default gateway as dotted text: the usable gateway route
// to 0.0.0.0/0 with the lowest metric (the first of equals); kNoAddress when
// the interface has none.
std::string DefaultGateway(const std::vector<RouteEntry>& routes, std::string_view interfaceName);

// Dotted text of an IPv4 address held in network byte order in memory.
std::string Ipv4Text(uint32_t networkOrder);
// Dotted text of a mask of `prefixLength` bits ("255.255.255.0" for 24).
std::string PrefixMaskText(unsigned prefixLength);

// The facts of a DHCP lease, as far as the lease file keeps them. Times are
// seconds since 1970 (UTC); 0 when unknown.
struct DhcpLease {
  std::string strAddress;
  std::string strMask;
  std::string strServer;
  std::string strPrimaryWins;
  std::string strSecondaryWins;
  int64_t obtained = 0;
  int64_t expires = 0;
};
// dhclient's lease file: the last "lease { ... }" block of the interface
// (a block without an "interface" line counts for any). Obtained is the
// expiry minus the lease time. nullopt when there is no such block.
std::optional<DhcpLease> ParseDhclientLeases(std::string_view text, std::string_view interfaceName);
// systemd-networkd's lease file (KEY=value lines). It keeps no time of its
// own: the file is written when the lease is obtained, so `fileTime` (its
// modification time) is the obtained time, and expiry adds LIFETIME.
// nullopt without an ADDRESS line.
std::optional<DhcpLease> ParseNetworkdLease(std::string_view text, int64_t fileTime);

// IP_ADAPTER_INFO.Type of a link of hardware type `arphrd` (ARPHRD_*);
// Ethernet links that are wireless report the 802.11 type, as Windows does.
uint32_t InterfaceTypeFromHardware(uint32_t arphrd, bool bWireless);

}  // namespace platform::net
