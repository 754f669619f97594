#pragma once

// Peers the network tests talk to inside their network sandbox: TCP
// listeners, a DNS server on UDP port 53, and a second network namespace
// (a child process of the test) that plays the gateway on the far end of a
// veth pair. They use the host directly because they build the world the
// code under test meets.
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/SocketAddress.h"
#include "tests/support/NetworkSandbox.h"

inline sockaddr_in Ipv4SocketAddress(const std::string& text, uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  if (const std::optional<platform::net::SocketAddress> parsed = platform::net::ParseIpv4(text)) {
    std::copy_n(parsed->bytes.begin(), 4, reinterpret_cast<uint8_t*>(&address.sin_addr));
  }
  return address;
}

// A TCP listener on one address (port 0: any free one).
class TcpListener {
 public:
  explicit TcpListener(const std::string& address, uint16_t nPort = 0) {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = Ipv4SocketAddress(address, nPort);
    socklen_t length = sizeof local;
    if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), length) != 0 || listen(m_fd, 8) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
      return;
    }
    m_nPort = ntohs(local.sin_port);
  }
  ~TcpListener() { close(m_fd); }
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  uint16_t Port() const { return m_nPort; }
  // Whether a connection is waiting, and it sent nothing before closing.
  bool TookSilentConnection() const {
    pollfd entry{m_fd, POLLIN, 0};
    if (poll(&entry, 1, 1000) != 1) return false;
    const int peer = accept(m_fd, nullptr, nullptr);
    if (peer < 0) return false;
    char byte = 0;
    const ssize_t count = recv(peer, &byte, 1, 0);
    close(peer);
    return count == 0;
  }

 private:
  int m_fd = -1;
  uint16_t m_nPort = 0;
};

// A DNS server on UDP port 53 of one address. It keeps every query and,
// when asked to, answers each with an error answer (response, NXDOMAIN),
// which is an answer all the same.
class DnsServer {
 public:
  DnsServer(const std::string& address, bool bAnswer) : m_bAnswer(bAnswer) {
    m_fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in local = Ipv4SocketAddress(address, 53);
    if (bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) return;
    m_thread = std::thread([this] { Serve(); });
  }
  ~DnsServer() {
    m_bStop = true;
    if (m_thread.joinable()) m_thread.join();
    close(m_fd);
  }
  DnsServer(const DnsServer&) = delete;
  DnsServer& operator=(const DnsServer&) = delete;

  bool Running() const { return m_thread.joinable(); }
  std::vector<std::vector<uint8_t>> Queries() {
    std::lock_guard lock(m_lock);
    return m_queries;
  }

 private:
  void Serve() {
    while (!m_bStop) {
      pollfd entry{m_fd, POLLIN, 0};
      if (poll(&entry, 1, 20) <= 0) continue;
      uint8_t buffer[512];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t count = recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (count < 12) continue;
      std::vector<uint8_t> query(buffer, buffer + count);
      {
        std::lock_guard lock(m_lock);
        m_queries.push_back(query);
      }
      if (!m_bAnswer) continue;
      query[2] = 0x81;
      query[3] = 0x83;
      sendto(m_fd, query.data(), query.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  }

  bool m_bAnswer;
  int m_fd = -1;
  std::atomic<bool> m_bStop{false};
  std::mutex m_lock;
  std::vector<std::vector<uint8_t>> m_queries;
  std::thread m_thread;
};

// A network namespace held by a child process of the test; commands run in
// it through nsenter. It ends (the child is waited for) with the object.
class PeerNamespace {
 public:
  PeerNamespace() {
    int ready[2];
    if (pipe(ready) != 0 || pipe(m_hold) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(ready[0]);
      close(m_hold[1]);
      const char status = unshare(CLONE_NEWNET) == 0 ? 'y' : 'n';
      if (write(ready[1], &status, 1) != 1) _exit(1);
      char byte;
      // Lives until the test closes its end of the pipe.
      while (read(m_hold[0], &byte, 1) > 0) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(m_hold[0]);
    char status = 'n';
    m_bReady = m_pid > 0 && read(ready[0], &status, 1) == 1 && status == 'y';
    close(ready[0]);
  }
  ~PeerNamespace() {
    close(m_hold[1]);
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
  }
  PeerNamespace(const PeerNamespace&) = delete;
  PeerNamespace& operator=(const PeerNamespace&) = delete;

  bool Ready() const { return m_bReady; }
  // Runs a shell command inside the namespace; its exit status.
  int Shell(const std::string& command) const {
    return network_sandbox::Shell("nsenter -t " + std::to_string(m_pid) + " -n sh -c '" + command + "'");
  }
  // Moves an interface of the test's namespace into this one.
  int Adopt(const std::string& interfaceName) const {
    return network_sandbox::Shell("ip link set " + interfaceName + " netns " + std::to_string(m_pid));
  }

 private:
  pid_t m_pid = -1;
  int m_hold[2] = {-1, -1};
  bool m_bReady = false;
};
