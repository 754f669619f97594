#include "platform/net/Socket.h"

#include <utility>

#include "platform/net/Sockaddr_win32.h"

namespace platform::net {

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : m_socket(std::exchange(other.m_socket, kNoNativeSocket)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    m_socket = std::exchange(other.m_socket, kNoNativeSocket);
  }
  return *this;
}

void Socket::Close() {
  if (m_socket != kNoNativeSocket) ::closesocket(static_cast<SOCKET>(m_socket));
  m_socket = kNoNativeSocket;
}

std::expected<Socket, Win32Error> Socket::Open(int family, int type, int protocol) {
  if (family != kAfInet && family != kAfInet6) return std::unexpected(kWsaEafnosupport);
  // WSASocketW rather than socket(): the handle must not be inherited by
  // the programs the wizard starts, as the Linux backend's SOCK_CLOEXEC.
  const SOCKET handle = ::WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (handle == INVALID_SOCKET) return std::unexpected(LastSocketError());
  return Socket(static_cast<NativeSocket>(handle));
}

Win32Error Socket::Bind(const SocketAddress& address) {
  if (m_socket == kNoNativeSocket) return kWsaEnotsock;
  SOCKADDR_STORAGE storage{};
  const int length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  return ::bind(static_cast<SOCKET>(m_socket), reinterpret_cast<const SOCKADDR*>(&storage), length) == 0
             ? kErrorSuccess
             : LastSocketError();
}

// A blocking connect to a silent port waits as long as the system's SYN
// retries last (about 21 s on Windows, over two minutes under Wine, which
// uses the host's), so the connect is made non-blocking and the wait is
// our own.
Win32Error Socket::Connect(const SocketAddress& address, int nTimeoutMs) {
  if (m_socket == kNoNativeSocket) return kWsaEnotsock;
  const SOCKET handle = static_cast<SOCKET>(m_socket);
  SOCKADDR_STORAGE storage{};
  const int length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  u_long nonBlocking = 1;
  if (::ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) return LastSocketError();
  Win32Error result = kErrorSuccess;
  if (::connect(handle, reinterpret_cast<const SOCKADDR*>(&storage), length) != 0) {
    const Win32Error started = LastSocketError();
    if (started != kWsaEwouldblock) {
      result = started;
    } else {
      const int ready = SelectFor(handle, true, nTimeoutMs);
      if (ready < 0) {
        result = LastSocketError();
      } else if (ready == 0) {
        result = kWsaEtimedout;
      } else {
        int error = 0;
        int size = sizeof error;
        if (::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) {
          error = static_cast<int>(LastSocketError());
        }
        result = static_cast<Win32Error>(error);
      }
    }
  }
  u_long blocking = 0;
  ::ioctlsocket(handle, FIONBIO, &blocking);
  return result;
}

Win32Error Socket::SendTo(std::span<const uint8_t> data, const SocketAddress& address) {
  if (m_socket == kNoNativeSocket) return kWsaEnotsock;
  SOCKADDR_STORAGE storage{};
  const int length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  const int sent = ::sendto(static_cast<SOCKET>(m_socket), reinterpret_cast<const char*>(data.data()),
                            static_cast<int>(data.size()), 0, reinterpret_cast<const SOCKADDR*>(&storage), length);
  if (sent == SOCKET_ERROR) return LastSocketError();
  return static_cast<size_t>(sent) == data.size() ? kErrorSuccess : kWsaEmsgsize;
}

std::expected<bool, Win32Error> Socket::WaitReadable(int nTimeoutMs) const {
  if (m_socket == kNoNativeSocket) return std::unexpected(kWsaEnotsock);
  const int ready = SelectFor(static_cast<SOCKET>(m_socket), false, nTimeoutMs);
  if (ready < 0) return std::unexpected(LastSocketError());
  return ready > 0;
}

std::expected<std::vector<uint8_t>, Win32Error> Socket::Receive(size_t nMaxBytes) {
  if (m_socket == kNoNativeSocket) return std::unexpected(kWsaEnotsock);
  std::vector<uint8_t> buffer(nMaxBytes);
  const int received =
      ::recv(static_cast<SOCKET>(m_socket), reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
  if (received == SOCKET_ERROR) {
    const Win32Error error = LastSocketError();
    // A datagram longer than the buffer: Windows hands over the part that
    // fits and says so, the Linux backend keeps the part silently.
    if (error != kWsaEmsgsize) return std::unexpected(error);
    return buffer;
  }
  buffer.resize(static_cast<size_t>(received));
  return buffer;
}

}  // namespace platform::net
