#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Socket addresses and the constants of Windows Sockets, as the layers above
// the platform see them (AF_INET6 is 23 there, as on Windows).
namespace platform::net {

inline constexpr int kAfUnspec = 0;
inline constexpr int kAfInet = 2;
inline constexpr int kAfInet6 = 23;

inline constexpr int kSockStream = 1;
inline constexpr int kSockDgram = 2;
inline constexpr int kSockRaw = 3;

inline constexpr int kIpprotoIcmp = 1;
inline constexpr int kIpprotoTcp = 6;
inline constexpr int kIpprotoUdp = 17;

// An IPv4 or IPv6 address with a port.
struct SocketAddress {
  int family = kAfUnspec;
  std::array<uint8_t, 16> bytes{};  // network order; IPv4 uses the first four
  uint16_t port = 0;
  uint32_t scopeId = 0;

  // "192.0.2.1" or "2001:db8::1" (without the port).
  std::string AddressText() const;
};

// inet_addr for a connect or send: a dotted IPv4 text of four decimal parts,
// with the port. nullopt for anything else, the empty text included.
std::optional<SocketAddress> ParseIpv4(std::string_view text, uint16_t port = 0);

}  // namespace platform::net
