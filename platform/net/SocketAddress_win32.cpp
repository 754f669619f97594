#include "platform/net/SocketAddress.h"

#include <cstring>
#include <string>

#include "platform/net/Sockaddr_win32.h"

namespace platform::net {

// AF_INET6 is 23 on Windows, the number SocketAddress carries, so the
// families pass unchanged.
int ToSockaddr(const SocketAddress& address, SOCKADDR_STORAGE& storage) {
  std::memset(&storage, 0, sizeof storage);
  if (address.family == kAfInet) {
    auto* inet = reinterpret_cast<SOCKADDR_IN*>(&storage);
    inet->sin_family = AF_INET;
    inet->sin_port = htons(address.port);
    std::memcpy(&inet->sin_addr, address.bytes.data(), 4);
    return sizeof(SOCKADDR_IN);
  }
  if (address.family == kAfInet6) {
    auto* inet6 = reinterpret_cast<SOCKADDR_IN6*>(&storage);
    inet6->sin6_family = AF_INET6;
    inet6->sin6_port = htons(address.port);
    inet6->sin6_scope_id = address.scopeId;
    std::memcpy(&inet6->sin6_addr, address.bytes.data(), 16);
    return sizeof(SOCKADDR_IN6);
  }
  return 0;
}

std::optional<SocketAddress> FromSockaddr(const SOCKADDR* address, int length) {
  if (address == nullptr) return std::nullopt;
  SocketAddress result;
  if (address->sa_family == AF_INET && length >= static_cast<int>(sizeof(SOCKADDR_IN))) {
    const auto* inet = reinterpret_cast<const SOCKADDR_IN*>(address);
    result.family = kAfInet;
    result.port = ntohs(inet->sin_port);
    std::memcpy(result.bytes.data(), &inet->sin_addr, 4);
    return result;
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<int>(sizeof(SOCKADDR_IN6))) {
    const auto* inet6 = reinterpret_cast<const SOCKADDR_IN6*>(address);
    result.family = kAfInet6;
    result.port = ntohs(inet6->sin6_port);
    result.scopeId = inet6->sin6_scope_id;
    std::memcpy(result.bytes.data(), &inet6->sin6_addr, 16);
    return result;
  }
  return std::nullopt;
}

int SelectFor(SOCKET socket, bool bWrite, int nTimeoutMs) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(socket, &failed);
  timeval limit{};
  const int nWait = nTimeoutMs < 0 ? 0 : nTimeoutMs;
  limit.tv_sec = nWait / 1000;
  limit.tv_usec = (nWait % 1000) * 1000;
  // The first argument is ignored by Winsock.
  return ::select(0, bWrite ? nullptr : &ready, bWrite ? &ready : nullptr, bWrite ? &failed : nullptr, &limit);
}

std::string SocketAddress::AddressText() const {
  char text[INET6_ADDRSTRLEN] = {};
  if (family == kAfInet) {
    return ::inet_ntop(AF_INET, const_cast<uint8_t*>(bytes.data()), text, sizeof text) ? text : "";
  }
  if (family == kAfInet6) {
    return ::inet_ntop(AF_INET6, const_cast<uint8_t*>(bytes.data()), text, sizeof text) ? text : "";
  }
  return {};
}

std::optional<SocketAddress> ParseIpv4(std::string_view text, uint16_t port) {
  // inet_pton takes exactly the four-decimal form and refuses the rest
  // (inet_addr would also take "1.2" and octal or hexadecimal parts).
  if (text.empty() || text.size() > 15) return std::nullopt;
  const std::string copy(text);
  IN_ADDR address{};
  if (::inet_pton(AF_INET, copy.c_str(), &address) != 1) return std::nullopt;
  SocketAddress result;
  result.family = kAfInet;
  result.port = port;
  std::memcpy(result.bytes.data(), &address, 4);
  return result;
}

}  // namespace platform::net
