// Host network files and probe answers of any content: resolv.conf,
// nsswitch.conf, the kernel's route table, DHCP lease files, and datagrams
// taken for an echo reply. The first byte picks the interface name the
// per-interface readers look for; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "diagnostics/ProbePackets.h"
#include "platform/sim/NetConfigText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const std::string_view kInterfaces[] = {"eth0", "", "wlan0", "*"};
  const std::string_view interfaceName = kInterfaces[data[0] % 4];
  const std::span<const uint8_t> bytes(data + 1, size - 1);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  platform::net::ParseResolvConfServers(text);
  platform::net::ParseResolvConfDomain(text);
  platform::net::NsswitchUsesDns(text);
  const auto routes = platform::net::ParseRouteTable(text);
  platform::net::DefaultGateway(routes, interfaceName);
  for (const auto& route : routes) platform::net::Ipv4Text(route.gateway);
  platform::net::ParseDhclientLeases(text, interfaceName);
  platform::net::ParseNetworkdLease(text, static_cast<int64_t>(size) << 40);

  // A datagram against the request whose identifier it claims, so that the
  // checks after the identifier are reached too.
  const uint16_t nIdentifier = bytes.size() >= 6 ? static_cast<uint16_t>(bytes[4] << 8 | bytes[5]) : 0;
  IsEchoReplyTo(bytes, BuildEchoRequest(nIdentifier));
  InternetChecksumVerifies(bytes);
  BuildDnsQuery(nIdentifier, text);
  return 0;
}
