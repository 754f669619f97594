#include "platform/net/AdaptersInfo.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/core/Errno_posix.h"
#include "platform/sim/NetConfigText.h"

namespace platform::net {

namespace {

// MAX_ADAPTER_ADDRESS_LENGTH.
constexpr size_t kMaxHardwareAddress = 8;
// ARPHRD_VOID: a link whose type the kernel did not say.
constexpr uint32_t kHardwareUnknown = 0xFFFF;

struct Link {
  std::string strName;
  uint32_t nIndex = 0;
  uint32_t nHardwareType = kHardwareUnknown;
  std::vector<uint8_t> address;
  std::vector<IpAddressEntry> ipv4;
};

std::optional<std::string> ReadHostText(const std::string& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string AddressText(const sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return kNoAddress;
  char text[INET_ADDRSTRLEN] = {};
  const auto* inet = reinterpret_cast<const sockaddr_in*>(address);
  return inet_ntop(AF_INET, &inet->sin_addr, text, sizeof text) ? text : kNoAddress;
}

// The interfaces of this network namespace, loopback left out, by index.
std::optional<std::vector<Link>> ReadLinks(Win32Error& error) {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    error = Win32ErrorFromErrno(errno);
    return std::nullopt;
  }
  std::map<std::string, Link> links;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_name == nullptr || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    Link& link = links[entry->ifa_name];
    if (link.strName.empty()) {
      link.strName = entry->ifa_name;
      link.nIndex = if_nametoindex(entry->ifa_name);
    }
    if (entry->ifa_addr == nullptr) continue;
    if (entry->ifa_addr->sa_family == AF_PACKET) {
      const auto* packet = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
      link.nIndex = static_cast<uint32_t>(packet->sll_ifindex);
      link.nHardwareType = packet->sll_hatype;
      const size_t length = std::min<size_t>(packet->sll_halen, kMaxHardwareAddress);
      link.address.assign(packet->sll_addr, packet->sll_addr + length);
    } else if (entry->ifa_addr->sa_family == AF_INET) {
      link.ipv4.push_back(IpAddressEntry{AddressText(entry->ifa_addr), AddressText(entry->ifa_netmask)});
    }
  }
  freeifaddrs(list);
  std::vector<Link> result;
  for (auto& [name, link] : links) result.push_back(std::move(link));
  std::stable_sort(result.begin(), result.end(), [](const Link& a, const Link& b) { return a.nIndex < b.nIndex; });
  return result;
}

// /sys/class/net shows the interfaces of the namespace that mounted /sys,
// which need not be ours (a process moved by `unshare -n` alone still sees
// the old one); a fact is read there only when the index agrees.
std::string SysfsFolder(const Link& link) {
  const std::string folder = "/sys/class/net/" + link.strName;
  const std::optional<std::string> index = ReadHostText(folder + "/ifindex");
  if (!index || Trimmed(*index) != std::to_string(link.nIndex)) return {};
  return folder;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// A lease that a DHCP client keeps for the adapter's current address.
std::optional<DhcpLease> FindLease(const Link& link, const std::string& strAddress) {
  const std::string networkd = "/run/systemd/netif/leases/" + std::to_string(link.nIndex);
  if (const std::optional<std::string> text = ReadHostText(networkd)) {
    struct stat info {};
    const int64_t fileTime = stat(networkd.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_mtime) : 0;
    if (std::optional<DhcpLease> lease = ParseNetworkdLease(*text, fileTime);
        lease && lease->strAddress == strAddress) {
      return lease;
    }
  }
  for (const std::string& path :
       {"/var/lib/dhcp/dhclient." + link.strName + ".leases", std::string("/var/lib/dhcp/dhclient.leases"),
        "/var/lib/dhclient/dhclient-" + link.strName + ".leases", std::string("/var/lib/dhclient/dhclient.leases")}) {
    const std::optional<std::string> text = ReadHostText(path);
    if (!text) continue;
    if (std::optional<DhcpLease> lease = ParseDhclientLeases(*text, link.strName);
        lease && lease->strAddress == strAddress) {
      return lease;
    }
  }
  return std::nullopt;
}

AdapterInfo MakeAdapter(const Link& link, const std::vector<RouteEntry>& routes) {
  AdapterInfo adapter;
  adapter.strAdapterName = link.strName;
  adapter.nIndex = link.nIndex;
  adapter.address = link.address;
  const std::string sysfs = SysfsFolder(link);
  std::string alias;
  bool wireless = false;
  if (!sysfs.empty()) {
    alias = Trimmed(ReadHostText(sysfs + "/ifalias").value_or(""));
    wireless = PathExists(sysfs + "/wireless") || PathExists(sysfs + "/phy80211");
  }
  adapter.strDescription = alias.empty() ? link.strName : alias;
  adapter.nType = InterfaceTypeFromHardware(link.nHardwareType, wireless);
  adapter.ipAddressList = link.ipv4;
  if (adapter.ipAddressList.empty()) adapter.ipAddressList.push_back(IpAddressEntry{kNoAddress, kNoAddress});
  adapter.gatewayList.push_back(DefaultGateway(routes, link.strName));
  if (!link.ipv4.empty()) {
    if (std::optional<DhcpLease> lease = FindLease(link, link.ipv4.back().strAddress)) {
      adapter.bDhcpEnabled = 1;
      adapter.strDhcpServer = lease->strServer;
      adapter.strPrimaryWinsServer = lease->strPrimaryWins;
      adapter.strSecondaryWinsServer = lease->strSecondaryWins;
      adapter.bHaveWins = lease->strPrimaryWins.empty() ? 0 : 1;
      adapter.leaseObtained = lease->obtained;
      adapter.leaseExpires = lease->expires;
    }
  }
  return adapter;
}

std::optional<std::vector<AdapterInfo>> ReadAdapters(Win32Error& error) {
  const std::optional<std::vector<Link>> links = ReadLinks(error);
  if (!links) return std::nullopt;
  // /proc/net is always the reading process's own namespace.
  const std::vector<RouteEntry> routes = ParseRouteTable(ReadHostText("/proc/net/route").value_or(""));
  std::vector<AdapterInfo> adapters;
  adapters.reserve(links->size());
  for (const Link& link : *links) adapters.push_back(MakeAdapter(link, routes));
  return adapters;
}

}  // namespace

Win32Error GetAdaptersInfoSize(uint32_t& nSize) {
  Win32Error error = kErrorSuccess;
  const std::optional<std::vector<AdapterInfo>> adapters = ReadAdapters(error);
  if (!adapters) return error;
  if (adapters->empty()) return kErrorNoData;
  nSize = AdaptersInfoSize(*adapters);
  return kErrorBufferOverflow;
}

Win32Error GetAdaptersInfo(uint32_t nBufferSize, std::vector<AdapterInfo>& adapters) {
  Win32Error error = kErrorSuccess;
  std::optional<std::vector<AdapterInfo>> current = ReadAdapters(error);
  if (!current) return error;
  if (current->empty()) return kErrorNoData;
  if (AdaptersInfoSize(*current) > nBufferSize) return kErrorBufferOverflow;
  adapters = std::move(*current);
  return kErrorSuccess;
}

}  // namespace platform::net
