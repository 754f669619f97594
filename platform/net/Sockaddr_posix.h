#pragma once

// Between SocketAddress and the host's sockaddr, for the Linux sources of
// this folder only.
#include <sys/socket.h>

#include <optional>

#include "platform/net/SocketAddress.h"

namespace platform::net {

// The host's address family of a Windows one (AF_INET6 is 23 there); -1 for
// one the host does not know.
int HostFamily(int windowsFamily);
int WindowsFamily(int hostFamily);

// Fills `storage`; the length to pass, or 0 for an address of no known family.
socklen_t ToSockaddr(const SocketAddress& address, sockaddr_storage& storage);
std::optional<SocketAddress> FromSockaddr(const sockaddr* address, socklen_t length);

}  // namespace platform::net
