#include "platform/net/SocketLayer.h"

#include <winsock2.h>

namespace platform {

// WSAStartup counts its callers, and the process keeps the layer until it
// ends, so no matching WSACleanup is made. A write to a closed connection
// fails with WSAECONNRESET here, there is no signal to ignore.
Win32Error InitSocketLayer() {
  WSADATA data{};
  const int rc = ::WSAStartup(MAKEWORD(2, 2), &data);
  if (rc != 0) return static_cast<Win32Error>(rc);
  if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
    ::WSACleanup();
    return kErrorNotSupported;
  }
  // A socket that is made and closed again; it is never bound or used.
  const SOCKET probe = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (probe == INVALID_SOCKET) return static_cast<Win32Error>(::WSAGetLastError());
  ::closesocket(probe);
  return kErrorSuccess;
}

}  // namespace platform
