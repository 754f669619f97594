#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"
#include "platform/net/SocketAddress.h"

// A socket for ICMP echo: a raw ICMP socket where the process may open one,
// else the unprivileged ICMP datagram socket (Linux) or the system's echo
// service (Windows: IcmpSendEcho2, whose reply is handed over as the echo
// reply message it stands for). Both send the caller's echo
// request as it is and give back whole ICMP messages (the IP header of a raw
// socket is taken off), so the caller builds and checks the packets itself.
namespace platform::net {

class IcmpSocket {
 public:
  IcmpSocket() = default;
  ~IcmpSocket();
  IcmpSocket(IcmpSocket&& other) noexcept;
  IcmpSocket& operator=(IcmpSocket&& other) noexcept;
  IcmpSocket(const IcmpSocket&) = delete;
  IcmpSocket& operator=(const IcmpSocket&) = delete;

  // Opens the socket. The identifier is the one the requests will carry; a
  // datagram socket has the kernel stamp it, so it is bound to it (when it
  // is taken, the kernel's own choice is used: see Identifier()). With a
  // source address the socket is bound to that address. WSA errors:
  // kWsaEacces when neither kind of socket is allowed, kWsaEaddrnotavail
  // for a source that is not this machine's, kWsaEinval for a source that
  // is no IPv4 text.
  static std::expected<IcmpSocket, Win32Error> Open(const char* sourceAddress, uint16_t nIdentifier);

  // The identifier the requests go out with.
  uint16_t Identifier() const { return m_nIdentifier; }
  bool IsRaw() const { return m_bRaw; }

  Win32Error SendTo(std::span<const uint8_t> message, const SocketAddress& target);
  std::expected<bool, Win32Error> WaitReadable(int nTimeoutMs) const;
  // One received ICMP message (without IP header) of a datagram of at most
  // nMaxBytes.
  std::expected<std::vector<uint8_t>, Win32Error> ReceiveMessage(size_t nMaxBytes);

  void Close();

 private:
  NativeSocket m_socket = kNoNativeSocket;
  // Windows, where the raw socket is refused: the system's echo service,
  // which sends the request itself and hands over its reply.
  std::shared_ptr<void> m_pEchoService;
  bool m_bRaw = false;
  uint16_t m_nIdentifier = 0;
};

}  // namespace platform::net
