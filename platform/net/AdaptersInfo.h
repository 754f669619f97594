#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"

// GetAdaptersInfo: the IPv4 network adapters of the machine. On this host an
// adapter is a network interface other than loopback (Windows does not list
// loopback either), in interface-index order, with the facts Windows keeps:
// hardware address and type (getifaddrs), description (the interface alias,
// else its name), IPv4 addresses and masks, the default gateway of the
// routing table, and DHCP facts where a DHCP client left a lease for the
// adapter's current address (dhclient, systemd-networkd).
namespace platform::net {

struct IpAddressEntry {
  std::string strAddress;  // dotted IPv4 text
  std::string strMask;
};

struct AdapterInfo {
  std::string strAdapterName;  // the system's identifier: the interface name
  std::string strDescription;
  std::vector<uint8_t> address;  // hardware address, as long as the link's
  uint32_t nIndex = 0;
  uint32_t nType = 0;  // kIfType* (NetConfigText.h)
  uint32_t bDhcpEnabled = 0;
  // At least one entry; an adapter without IPv4 shows 0.0.0.0 / 0.0.0.0.
  std::vector<IpAddressEntry> ipAddressList;
  // The default gateway first; 0.0.0.0 when there is none.
  std::vector<std::string> gatewayList;
  std::string strDhcpServer;  // empty unless DHCP is enabled
  uint32_t bHaveWins = 0;
  std::string strPrimaryWinsServer;
  std::string strSecondaryWinsServer;
  int64_t leaseObtained = 0;  // seconds since 1970, 0 when unknown
  int64_t leaseExpires = 0;
};

// GetAdaptersInfo(NULL, &size): kErrorBufferOverflow and the size in bytes
// that the list needs; kErrorNoData when the machine has no adapters.
Win32Error GetAdaptersInfoSize(uint32_t& nSize);

// GetAdaptersInfo into a buffer of nBufferSize bytes: fills `adapters` and
// returns 0; kErrorBufferOverflow (adapters untouched) when the list no
// longer fits, kErrorNoData when the adapters have gone since.
Win32Error GetAdaptersInfo(uint32_t nBufferSize, std::vector<AdapterInfo>& adapters);

// The size the list takes as a 64-bit Windows lays out IP_ADAPTER_INFO: one
// record per adapter, one more address string for each further address.
uint32_t AdaptersInfoSize(const std::vector<AdapterInfo>& adapters);

}  // namespace platform::net
