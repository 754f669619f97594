#include "platform/net/SocketAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "platform/net/Sockaddr_posix.h"

namespace platform::net {

int HostFamily(int windowsFamily) {
  switch (windowsFamily) {
    case kAfUnspec: return AF_UNSPEC;
    case kAfInet: return AF_INET;
    case kAfInet6: return AF_INET6;
    default: return -1;
  }
}

int WindowsFamily(int hostFamily) {
  switch (hostFamily) {
    case AF_INET: return kAfInet;
    case AF_INET6: return kAfInet6;
    default: return kAfUnspec;
  }
}

socklen_t ToSockaddr(const SocketAddress& address, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof storage);
  if (address.family == kAfInet) {
    auto* inet = reinterpret_cast<sockaddr_in*>(&storage);
    inet->sin_family = AF_INET;
    inet->sin_port = htons(address.port);
    std::memcpy(&inet->sin_addr, address.bytes.data(), 4);
    return sizeof(sockaddr_in);
  }
  if (address.family == kAfInet6) {
    auto* inet6 = reinterpret_cast<sockaddr_in6*>(&storage);
    inet6->sin6_family = AF_INET6;
    inet6->sin6_port = htons(address.port);
    inet6->sin6_scope_id = address.scopeId;
    std::memcpy(&inet6->sin6_addr, address.bytes.data(), 16);
    return sizeof(sockaddr_in6);
  }
  return 0;
}

std::optional<SocketAddress> FromSockaddr(const sockaddr* address, socklen_t length) {
  if (address == nullptr) return std::nullopt;
  SocketAddress result;
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    const auto* inet = reinterpret_cast<const sockaddr_in*>(address);
    result.family = kAfInet;
    result.port = ntohs(inet->sin_port);
    std::memcpy(result.bytes.data(), &inet->sin_addr, 4);
    return result;
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    const auto* inet6 = reinterpret_cast<const sockaddr_in6*>(address);
    result.family = kAfInet6;
    result.port = ntohs(inet6->sin6_port);
    result.scopeId = inet6->sin6_scope_id;
    std::memcpy(result.bytes.data(), &inet6->sin6_addr, 16);
    return result;
  }
  return std::nullopt;
}

std::string SocketAddress::AddressText() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (family == kAfInet) return inet_ntop(AF_INET, bytes.data(), text, sizeof text) ? text : "";
  if (family == kAfInet6) return inet_ntop(AF_INET6, bytes.data(), text, sizeof text) ? text : "";
  return {};
}

std::optional<SocketAddress> ParseIpv4(std::string_view text, uint16_t port) {
  // inet_pton takes exactly the four-decimal form and refuses the rest
  // (empty text, names, octal or short forms).
  if (text.empty() || text.size() > 15) return std::nullopt;
  const std::string copy(text);
  in_addr address{};
  if (inet_pton(AF_INET, copy.c_str(), &address) != 1) return std::nullopt;
  SocketAddress result;
  result.family = kAfInet;
  result.port = port;
  std::memcpy(result.bytes.data(), &address, 4);
  return result;
}

}  // namespace platform::net
