#include "platform/net/IcmpSocket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/core/Errno_posix.h"
#include "platform/net/DescriptorIo_posix.h"
#include "platform/net/Sockaddr_posix.h"

namespace platform::net {

IcmpSocket::~IcmpSocket() { Close(); }

IcmpSocket::IcmpSocket(IcmpSocket&& other) noexcept
    : m_socket(std::exchange(other.m_socket, -1)), m_bRaw(other.m_bRaw), m_nIdentifier(other.m_nIdentifier) {}

IcmpSocket& IcmpSocket::operator=(IcmpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    m_socket = std::exchange(other.m_socket, -1);
    m_bRaw = other.m_bRaw;
    m_nIdentifier = other.m_nIdentifier;
  }
  return *this;
}

void IcmpSocket::Close() {
  if (m_socket >= 0) ::close(m_socket);
  m_socket = -1;
}

std::expected<IcmpSocket, Win32Error> IcmpSocket::Open(const char* sourceAddress, uint16_t nIdentifier) {
  std::optional<SocketAddress> source;
  if (sourceAddress != nullptr) {
    source = ParseIpv4(sourceAddress);
    if (!source) return std::unexpected(kWsaEinval);
  }
  IcmpSocket result;
  result.m_nIdentifier = nIdentifier;
  result.m_socket = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
  result.m_bRaw = result.m_socket >= 0;
  if (result.m_socket < 0) {
    if (errno != EPERM && errno != EACCES) return std::unexpected(WsaErrorFromErrno(errno));
    // Without the right to raw sockets: the echo socket the kernel offers
    // to the groups in net.ipv4.ping_group_range.
    result.m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (result.m_socket < 0) return std::unexpected(WsaErrorFromErrno(errno));
  }

  SocketAddress local = source.value_or(SocketAddress{kAfInet});
  if (result.m_bRaw) {
    if (!source) return result;
    sockaddr_storage storage{};
    const socklen_t length = ToSockaddr(local, storage);
    if (bind(result.m_socket, reinterpret_cast<const sockaddr*>(&storage), length) != 0) {
      return std::unexpected(WsaErrorFromErrno(errno));
    }
    return result;
  }
  // The datagram socket's "port" is the echo identifier it sends with.
  local.port = nIdentifier;
  sockaddr_storage storage{};
  socklen_t length = ToSockaddr(local, storage);
  if (bind(result.m_socket, reinterpret_cast<const sockaddr*>(&storage), length) != 0) {
    if (errno != EADDRINUSE) return std::unexpected(WsaErrorFromErrno(errno));
    local.port = 0;
    length = ToSockaddr(local, storage);
    if (bind(result.m_socket, reinterpret_cast<const sockaddr*>(&storage), length) != 0) {
      return std::unexpected(WsaErrorFromErrno(errno));
    }
  }
  sockaddr_storage bound{};
  socklen_t boundLength = sizeof bound;
  if (getsockname(result.m_socket, reinterpret_cast<sockaddr*>(&bound), &boundLength) != 0) {
    return std::unexpected(WsaErrorFromErrno(errno));
  }
  if (std::optional<SocketAddress> address = FromSockaddr(reinterpret_cast<const sockaddr*>(&bound), boundLength)) {
    result.m_nIdentifier = address->port;
  }
  return result;
}

Win32Error IcmpSocket::SendTo(std::span<const uint8_t> message, const SocketAddress& target) {
  if (m_socket < 0) return kWsaEnotsock;
  sockaddr_storage storage{};
  const socklen_t length = ToSockaddr(target, storage);
  if (length == 0 || target.family != kAfInet) return kWsaEafnosupport;
  ssize_t sent;
  do {
    sent = sendto(m_socket, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&storage), length);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) return WsaErrorFromErrno(errno);
  return static_cast<size_t>(sent) == message.size() ? kErrorSuccess : kWsaEmsgsize;
}

std::expected<bool, Win32Error> IcmpSocket::WaitReadable(int nTimeoutMs) const {
  if (m_socket < 0) return std::unexpected(kWsaEnotsock);
  const int ready = PollFor(m_socket, POLLIN, nTimeoutMs);
  if (ready < 0) return std::unexpected(WsaErrorFromErrno(errno));
  return ready > 0;
}

std::expected<std::vector<uint8_t>, Win32Error> IcmpSocket::ReceiveMessage(size_t nMaxBytes) {
  if (m_socket < 0) return std::unexpected(kWsaEnotsock);
  auto received = ReceiveUpTo(m_socket, nMaxBytes);
  if (!received) return std::unexpected(WsaErrorFromErrno(received.error()));
  std::vector<uint8_t>& buffer = *received;
  if (!m_bRaw) return std::move(buffer);
  // A raw socket hands over the IP header too; its length is in the header.
  const size_t headerLength = buffer.empty() ? 0 : static_cast<size_t>(buffer[0] & 0x0F) * 4;
  if (headerLength < 20 || headerLength > buffer.size()) return std::vector<uint8_t>{};
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(headerLength));
  return std::move(buffer);
}

}  // namespace platform::net
