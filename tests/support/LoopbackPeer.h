#pragma once

#include <cstdint>

// The other end of a loopback connection for the network contract cases,
// made with the host's own socket calls so that the platform's sockets are
// the only thing under test. 127.0.0.1 only: nothing leaves the machine.
class LoopbackPeer {
 public:
  enum class Kind { kTcpListener, kUdp };

  // A TCP socket listening with the given backlog, or a bound UDP socket, on
  // 127.0.0.1 with a port the system picks. Port() is 0 when that failed.
  explicit LoopbackPeer(Kind kind, int nBacklog = 4);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  uint16_t Port() const { return m_nPort; }

  // UDP: waits up to nTimeoutMs for one datagram and sends it back to its
  // sender. False when none came or the answer could not be sent.
  bool EchoOneDatagram(int nTimeoutMs);

  // Closes the socket: its port then has nobody behind it.
  void Close();

 private:
  unsigned long long m_socket = ~0ULL;
  uint16_t m_nPort = 0;
};
