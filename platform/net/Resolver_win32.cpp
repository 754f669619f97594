#include "platform/net/Resolver.h"

#include <memory>

#include "platform/core/Wide_win32.h"
#include "platform/net/Sockaddr_win32.h"

// ws2tcpip.h maps the name onto GetAddrInfoW under UNICODE, which would
// rename our own function here.
#undef GetAddrInfo

namespace platform::net {

// The wide calls: a host name in Korean reaches the resolver whole, not
// through the ANSI code page.
std::expected<std::vector<AddressInfo>, Win32Error> GetAddrInfo(const std::string& host, const std::string& port,
                                                                const AddressHints& hints) {
  if (hints.family != kAfUnspec && hints.family != kAfInet && hints.family != kAfInet6) {
    return std::unexpected(kWsaEafnosupport);
  }
  ADDRINFOW request{};
  request.ai_flags = hints.flags;
  request.ai_family = hints.family;
  request.ai_socktype = hints.socketType;
  request.ai_protocol = hints.protocol;
  const std::wstring wideHost = Widen(host);
  const std::wstring widePort = Widen(port);
  ADDRINFOW* list = nullptr;
  const int rc = ::GetAddrInfoW(wideHost.c_str(), widePort.c_str(), &request, &list);
  if (rc != 0) return std::unexpected(static_cast<Win32Error>(rc));
  const std::unique_ptr<ADDRINFOW, decltype(&::FreeAddrInfoW)> owner(list, &::FreeAddrInfoW);
  std::vector<AddressInfo> result;
  for (const ADDRINFOW* entry = list; entry != nullptr; entry = entry->ai_next) {
    std::optional<SocketAddress> address = FromSockaddr(entry->ai_addr, static_cast<int>(entry->ai_addrlen));
    if (!address) continue;
    result.push_back(AddressInfo{entry->ai_family, entry->ai_socktype, entry->ai_protocol, *address});
  }
  return result;
}

std::expected<std::string, Win32Error> GetHostByAddress(const SocketAddress& address) {
  if (address.family != kAfInet) return std::unexpected(kWsaEafnosupport);
  SOCKADDR_STORAGE storage{};
  const int length = ToSockaddr(address, storage);
  wchar_t name[NI_MAXHOST] = {};
  const int rc = ::GetNameInfoW(reinterpret_cast<const SOCKADDR*>(&storage), length, name, NI_MAXHOST, nullptr, 0,
                                NI_NAMEREQD);
  if (rc != 0) return std::unexpected(static_cast<Win32Error>(rc));
  return Narrow(name);
}

}  // namespace platform::net
