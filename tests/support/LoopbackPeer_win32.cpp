#include "tests/support/LoopbackPeer.h"

#include <winsock2.h>

LoopbackPeer::LoopbackPeer(Kind kind, int nBacklog) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  const SOCKET handle = ::socket(AF_INET, kind == Kind::kUdp ? SOCK_DGRAM : SOCK_STREAM, 0);
  if (handle == INVALID_SOCKET) return;
  m_socket = handle;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(handle, reinterpret_cast<sockaddr*>(&address), length) != 0) return;
  if (kind == Kind::kTcpListener && listen(handle, nBacklog) != 0) return;
  if (getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
  m_nPort = ntohs(address.sin_port);
}

LoopbackPeer::~LoopbackPeer() { Close(); }

void LoopbackPeer::Close() {
  if (m_socket != INVALID_SOCKET) ::closesocket(static_cast<SOCKET>(m_socket));
  m_socket = INVALID_SOCKET;
}

bool LoopbackPeer::EchoOneDatagram(int nTimeoutMs) {
  if (m_socket == INVALID_SOCKET) return false;
  const SOCKET handle = static_cast<SOCKET>(m_socket);
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(handle, &ready);
  timeval limit{nTimeoutMs / 1000, (nTimeoutMs % 1000) * 1000};
  if (select(0, &ready, nullptr, nullptr, &limit) != 1) return false;
  char buffer[2048];
  sockaddr_storage sender{};
  int length = sizeof sender;
  const int count = recvfrom(handle, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length);
  if (count == SOCKET_ERROR) return false;
  return sendto(handle, buffer, count, 0, reinterpret_cast<sockaddr*>(&sender), length) == count;
}
