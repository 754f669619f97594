#include "tests/support/LoopbackPeer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Fd(unsigned long long socket) { return socket == ~0ULL ? -1 : static_cast<int>(socket); }

}  // namespace

LoopbackPeer::LoopbackPeer(Kind kind, int nBacklog) {
  const int fd = ::socket(AF_INET, kind == Kind::kUdp ? SOCK_DGRAM : SOCK_STREAM, 0);
  if (fd < 0) return;
  m_socket = static_cast<unsigned long long>(fd);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) return;
  if (kind == Kind::kTcpListener && listen(fd, nBacklog) != 0) return;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
  m_nPort = ntohs(address.sin_port);
}

LoopbackPeer::~LoopbackPeer() { Close(); }

void LoopbackPeer::Close() {
  if (Fd(m_socket) >= 0) ::close(Fd(m_socket));
  m_socket = ~0ULL;
}

bool LoopbackPeer::EchoOneDatagram(int nTimeoutMs) {
  pollfd entry{Fd(m_socket), POLLIN, 0};
  if (entry.fd < 0 || poll(&entry, 1, nTimeoutMs) != 1) return false;
  char buffer[2048];
  sockaddr_storage sender{};
  socklen_t length = sizeof sender;
  const ssize_t count = recvfrom(entry.fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length);
  if (count < 0) return false;
  return sendto(entry.fd, buffer, static_cast<size_t>(count), 0, reinterpret_cast<sockaddr*>(&sender), length) == count;
}
