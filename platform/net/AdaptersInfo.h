#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"

// GetAdaptersInfo: the IPv4 network adapters of the machine, loopback
// excluded, in interface-index order, with the facts Windows keeps: hardware
// address and type, description, IPv4 addresses and masks, the default
// gateway, and DHCP facts. On Linux an adapter is a network interface
// (getifaddrs), its description the interface alias or name, and the DHCP
// facts come from the lease a DHCP client left for its current address.
namespace platform::net {

// MIB_IF_TYPE_* / IF_TYPE_* numbers of IP_ADAPTER_INFO.Type.
inline constexpr uint32_t kIfTypeOther = 1;
inline constexpr uint32_t kIfTypeEthernet = 6;
inline constexpr uint32_t kIfTypeTokenRing = 9;
inline constexpr uint32_t kIfTypeFddi = 15;
inline constexpr uint32_t kIfTypePpp = 23;
inline constexpr uint32_t kIfTypeLoopback = 24;
inline constexpr uint32_t kIfTypeSlip = 28;
inline constexpr uint32_t kIfTypeIeee80211 = 71;

// The address Windows shows for "none" in adapter address lists.
inline constexpr char kNoAddress[] = "0.0.0.0";


struct IpAddressEntry {
  std::string strAddress;  // dotted IPv4 text
  std::string strMask;
};

struct AdapterInfo {
  std::string strAdapterName;  // the system's identifier: the interface name
  std::string strDescription;
  std::vector<uint8_t> address;  // hardware address, as long as the link's
  uint32_t nIndex = 0;
  uint32_t nType = 0;  // kIfType*
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
