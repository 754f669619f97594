#include "platform/net/Socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/core/Errno_posix.h"
#include "platform/net/DescriptorIo_posix.h"
#include "platform/net/Sockaddr_posix.h"

namespace platform::net {

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : m_socket(std::exchange(other.m_socket, -1)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    m_socket = std::exchange(other.m_socket, -1);
  }
  return *this;
}

void Socket::Close() {
  if (m_socket >= 0) ::close(m_socket);
  m_socket = -1;
}

std::expected<Socket, Win32Error> Socket::Open(int family, int type, int protocol) {
  const int hostFamily = HostFamily(family);
  if (hostFamily < 0 || hostFamily == AF_UNSPEC) return std::unexpected(kWsaEafnosupport);
  const int fd = socket(hostFamily, type | SOCK_CLOEXEC, protocol);
  if (fd < 0) return std::unexpected(WsaErrorFromErrno(errno));
  return Socket(fd);
}

Win32Error Socket::Bind(const SocketAddress& address) {
  if (m_socket < 0) return kWsaEnotsock;
  sockaddr_storage storage{};
  const socklen_t length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  return bind(m_socket, reinterpret_cast<const sockaddr*>(&storage), length) == 0 ? kErrorSuccess
                                                                              : WsaErrorFromErrno(errno);
}

Win32Error Socket::Connect(const SocketAddress& address, int nTimeoutMs) {
  if (m_socket < 0) return kWsaEnotsock;
  sockaddr_storage storage{};
  const socklen_t length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  const int flags = fcntl(m_socket, F_GETFL);
  if (flags < 0 || fcntl(m_socket, F_SETFL, flags | O_NONBLOCK) != 0) return WsaErrorFromErrno(errno);
  Win32Error result = kErrorSuccess;
  if (connect(m_socket, reinterpret_cast<const sockaddr*>(&storage), length) != 0) {
    if (errno != EINPROGRESS) {
      result = WsaErrorFromErrno(errno);
    } else {
      const int ready = PollFor(m_socket, POLLOUT, nTimeoutMs);
      if (ready < 0) {
        result = WsaErrorFromErrno(errno);
      } else if (ready == 0) {
        result = kWsaEtimedout;
      } else {
        int error = 0;
        socklen_t size = sizeof error;
        if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        result = WsaErrorFromErrno(error);
      }
    }
  }
  fcntl(m_socket, F_SETFL, flags);
  return result;
}

Win32Error Socket::SendTo(std::span<const uint8_t> data, const SocketAddress& address) {
  if (m_socket < 0) return kWsaEnotsock;
  sockaddr_storage storage{};
  const socklen_t length = ToSockaddr(address, storage);
  if (length == 0) return kWsaEafnosupport;
  ssize_t sent;
  do {
    sent = sendto(m_socket, data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&storage), length);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) return WsaErrorFromErrno(errno);
  return static_cast<size_t>(sent) == data.size() ? kErrorSuccess : kWsaEmsgsize;
}

std::expected<bool, Win32Error> Socket::WaitReadable(int nTimeoutMs) const {
  if (m_socket < 0) return std::unexpected(kWsaEnotsock);
  const int ready = PollFor(m_socket, POLLIN, nTimeoutMs);
  if (ready < 0) return std::unexpected(WsaErrorFromErrno(errno));
  return ready > 0;
}

std::expected<std::vector<uint8_t>, Win32Error> Socket::Receive(size_t nMaxBytes) {
  if (m_socket < 0) return std::unexpected(kWsaEnotsock);
  auto received = ReceiveUpTo(m_socket, nMaxBytes);
  if (!received) return std::unexpected(WsaErrorFromErrno(received.error()));
  return std::move(*received);
}

}  // namespace platform::net
