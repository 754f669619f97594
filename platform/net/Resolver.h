#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/net/SocketAddress.h"

// The host's name resolver (files, DNS as /etc/nsswitch.conf and
// /etc/resolv.conf say), with Windows' error numbers.
namespace platform::net {

struct AddressHints {
  int flags = 0;
  int family = kAfUnspec;
  int socketType = 0;
  int protocol = 0;
};

struct AddressInfo {
  int family = kAfUnspec;
  int socketType = 0;
  int protocol = 0;
  SocketAddress address;
};

// getaddrinfo: the addresses in the resolver's order. kWsaHostNotFound,
// kWsaTryAgain, kWsaNoRecovery, kWsaNoData, kWsaTypeNotFound ... as
// Windows' getaddrinfo returns them.
std::expected<std::vector<AddressInfo>, Win32Error> GetAddrInfo(const std::string& host, const std::string& port,
                                                                const AddressHints& hints);

// gethostbyaddr of an IPv4 address: the official host name.
// kWsaHostNotFound when the address has no name.
std::expected<std::string, Win32Error> GetHostByAddress(const SocketAddress& address);

}  // namespace platform::net
