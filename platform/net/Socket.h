#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"
#include "platform/net/SocketAddress.h"

// A Windows Sockets socket (TCP or UDP). Errors are the WSAE* numbers
// WSAGetLastError would give.
namespace platform::net {

class Socket {
 public:
  Socket() = default;
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // socket(family, type, protocol): kWsaEafnosupport, kWsaEprotonosupport,
  // kWsaEmfile ... on failure.
  static std::expected<Socket, Win32Error> Open(int family, int type, int protocol);

  Win32Error Bind(const SocketAddress& address);

  // connect(), giving up after nTimeoutMs: kWsaEtimedout then, and the
  // connect error otherwise (kWsaEconnrefused, kWsaEnetunreach ...). The
  // socket stays blocking for the caller either way.
  Win32Error Connect(const SocketAddress& address, int nTimeoutMs);

  // sendto() of one datagram, all of it.
  Win32Error SendTo(std::span<const uint8_t> data, const SocketAddress& address);

  // select() for reading: true when a datagram or data is there within the
  // time, false at the time-out.
  std::expected<bool, Win32Error> WaitReadable(int nTimeoutMs) const;

  // recv() of one datagram (or what is there) of at most nMaxBytes.
  std::expected<std::vector<uint8_t>, Win32Error> Receive(size_t nMaxBytes);

  bool IsOpen() const { return m_socket != kNoNativeSocket; }
  void Close();

 private:
  explicit Socket(NativeSocket socket) : m_socket(socket) {}
  NativeSocket m_socket = kNoNativeSocket;
};

}  // namespace platform::net
