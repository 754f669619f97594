#include "platform/net/Resolver.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <memory>

#include "platform/core/Errno_posix.h"
#include "platform/net/Sockaddr_posix.h"

namespace platform::net {

std::expected<std::vector<AddressInfo>, Win32Error> GetAddrInfo(const std::string& host, const std::string& port,
                                                                const AddressHints& hints) {
  addrinfo request{};
  request.ai_flags = hints.flags;
  request.ai_family = HostFamily(hints.family);
  if (request.ai_family < 0) return std::unexpected(kWsaEafnosupport);
  request.ai_socktype = hints.socketType;
  request.ai_protocol = hints.protocol;
  addrinfo* list = nullptr;
  errno = 0;
  const int rc = getaddrinfo(host.c_str(), port.c_str(), &request, &list);
  if (rc != 0) return std::unexpected(WsaErrorFromEai(rc, errno));
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(list, &freeaddrinfo);
  std::vector<AddressInfo> result;
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    std::optional<SocketAddress> address = FromSockaddr(entry->ai_addr, entry->ai_addrlen);
    if (!address) continue;
    result.push_back(AddressInfo{WindowsFamily(entry->ai_family), entry->ai_socktype, entry->ai_protocol, *address});
  }
  return result;
}

std::expected<std::string, Win32Error> GetHostByAddress(const SocketAddress& address) {
  if (address.family != kAfInet) return std::unexpected(kWsaEafnosupport);
  sockaddr_storage storage{};
  const socklen_t length = ToSockaddr(address, storage);
  char name[NI_MAXHOST] = {};
  errno = 0;
  const int rc =
      getnameinfo(reinterpret_cast<const sockaddr*>(&storage), length, name, sizeof name, nullptr, 0, NI_NAMEREQD);
  if (rc != 0) return std::unexpected(WsaErrorFromEai(rc, errno));
  return std::string(name);
}

}  // namespace platform::net
