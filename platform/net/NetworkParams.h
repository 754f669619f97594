#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"

// GetNetworkParams: the computer's host name and name-resolution settings.
// On this host: the host name from the kernel, the DNS servers of
// /etc/resolv.conf in file order, routing from ip_forward, the ARP proxy
// switch, and whether host names are looked up in DNS at all (nsswitch). The
// NetBIOS node type and scope id do not exist here and stay 0 / empty.
namespace platform::net {

// FIXED_INFO.NodeType values.
inline constexpr uint32_t kNodeBroadcast = 1;
inline constexpr uint32_t kNodePeerToPeer = 2;
inline constexpr uint32_t kNodeMixed = 4;
inline constexpr uint32_t kNodeHybrid = 8;

struct NetworkParams {
  std::string strHostName;
  std::string strDomainName;
  std::vector<std::string> dnsServers;  // dotted IPv4 text, in the system's order
  uint32_t nodeType = 0;
  std::string strScopeId;
  uint32_t enableRouting = 0;
  uint32_t enableProxy = 0;
  uint32_t enableDns = 0;
};

// GetNetworkParams(NULL, &size): kErrorBufferOverflow and the size in bytes
// that the parameters need (they always need some). Another error when the
// host's facts cannot be read at all.
Win32Error GetNetworkParamsSize(uint32_t& nSize);

// GetNetworkParams into a buffer of nBufferSize bytes: fills `params` and
// returns 0; kErrorBufferOverflow (params untouched) when they no longer fit,
// because a server was added since the size was asked for.
Win32Error GetNetworkParams(uint32_t nBufferSize, NetworkParams& params);

// The size a FIXED_INFO block with these parameters takes, as a 64-bit
// Windows lays it out: the fixed part holds the first DNS server, every
// further one takes an IP_ADDR_STRING.
uint32_t NetworkParamsSize(const NetworkParams& params);

}  // namespace platform::net
