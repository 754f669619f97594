#pragma once

// Between SocketAddress and Winsock's SOCKADDR, for the Windows sources of
// this folder only.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <optional>

#include "platform/core/Win32Error.h"
#include "platform/net/SocketAddress.h"

namespace platform::net {

// Fills `storage`; the length to pass, or 0 for an address of no known family.
int ToSockaddr(const SocketAddress& address, SOCKADDR_STORAGE& storage);
std::optional<SocketAddress> FromSockaddr(const SOCKADDR* address, int length);

// The thread's last Winsock error.
inline Win32Error LastSocketError() { return static_cast<Win32Error>(::WSAGetLastError()); }

// select() on one socket for reading or writing: >0 ready, 0 time-out,
// <0 failed (LastSocketError). A connect that fails shows in the
// exception set, which a wait for writing watches too.
int SelectFor(SOCKET socket, bool bWrite, int nTimeoutMs);

}  // namespace platform::net
