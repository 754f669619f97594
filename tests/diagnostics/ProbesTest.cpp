// The probes against peers of the test, in a network namespace of its own:
// the kernel's echo answer on loopback, forged echo replies, a small DNS
// responder and TCP listeners.
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/ProbePackets.h"
#include "diagnostics/Probes.h"
#include "platform/net/IcmpSocket.h"
#include "platform/net/Resolver.h"
#include "tests/diagnostics/NetworkPeers.h"
#include "tests/support/NetworkSandbox.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Reseal(Bytes& message) {
  message[2] = message[3] = 0;
  const uint16_t sum = InternetChecksum(message);
  message[2] = static_cast<uint8_t>(sum >> 8);
  message[3] = static_cast<uint8_t>(sum);
}

// Keeps the kernel from answering echo requests while it lives.
class SilentKernel {
 public:
  SilentKernel() { m_bSet = network_sandbox::WriteSysctl("net/ipv4/icmp_echo_ignore_all", "1"); }
  ~SilentKernel() { network_sandbox::WriteSysctl("net/ipv4/icmp_echo_ignore_all", "0"); }
  bool Set() const { return m_bSet; }

 private:
  bool m_bSet = false;
};

// Answers every echo request it sees on the machine with the datagrams the
// test asks for, made from that request.
class EchoForger {
 public:
  using Answers = std::function<std::vector<Bytes>(const Bytes& request)>;

  explicit EchoForger(Answers answers) : m_answers(std::move(answers)) {
    m_fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (m_fd >= 0) m_thread = std::thread([this] { Serve(); });
  }
  ~EchoForger() {
    m_bStop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_fd >= 0) close(m_fd);
  }
  bool Running() const { return m_fd >= 0; }
  int Answered() const { return m_nAnswered; }

 private:
  void Serve() {
    while (!m_bStop) {
      pollfd entry{m_fd, POLLIN, 0};
      if (poll(&entry, 1, 20) <= 0) continue;
      uint8_t buffer[1500];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t count = recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (count < 28) continue;
      const size_t header = static_cast<size_t>(buffer[0] & 0x0F) * 4;
      const Bytes message(buffer + header, buffer + count);
      if (message.empty() || message[0] != kIcmpEchoRequest) continue;
      for (const Bytes& answer : m_answers(message)) {
        sendto(m_fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
      }
      ++m_nAnswered;
    }
  }

  Answers m_answers;
  int m_fd = -1;
  std::atomic<bool> m_bStop{false};
  std::atomic<int> m_nAnswered{0};
  std::thread m_thread;
};

Bytes ReplyTo(const Bytes& request) {
  Bytes reply = request;
  reply[0] = kIcmpEchoReply;
  Reseal(reply);
  return reply;
}

std::vector<Bytes> NearMisses(const Bytes& request) {
  std::vector<Bytes> misses;
  Bytes identifier = ReplyTo(request);
  identifier[5] ^= 0x01;
  Reseal(identifier);
  Bytes sequence = ReplyTo(request);
  sequence[7] = 1;
  Reseal(sequence);
  Bytes checksum = ReplyTo(request);
  checksum[2] ^= 0x01;
  Bytes payload = ReplyTo(request);
  payload[12] = 'y';
  Reseal(payload);
  Bytes unreachable = ReplyTo(request);
  unreachable[0] = 3;
  Reseal(unreachable);
  return {identifier, sequence, checksum, payload, unreachable};
}

TEST(PingHost, LoopbackAnswers) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  EXPECT_EQ(PingHost(nullptr, "127.0.0.1"), 0);
  EXPECT_EQ(PingHost("127.0.0.1", "127.0.0.1"), 0);
}

TEST(PingHost, UnusableAddressesFail) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  EXPECT_EQ(PingHost(nullptr, ""), -1);
  EXPECT_EQ(PingHost(nullptr, "www.vamo.test"), -1);
  EXPECT_EQ(PingHost("", "127.0.0.1"), -1);
  // A source address this machine does not have cannot be bound.
  EXPECT_EQ(PingHost("203.0.113.77", "127.0.0.1"), -1);
}

// Datagrams that look like the reply but differ in one field are read and
// passed over; without the real reply the probe fails.
TEST(PingHost, NearMissesAreNotTakenForTheReply) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  SilentKernel silent;
  ASSERT_TRUE(silent.Set());
  EchoForger forger(NearMisses);
  ASSERT_TRUE(forger.Running());
  EXPECT_EQ(PingHost(nullptr, "127.0.0.1"), -1);
  EXPECT_EQ(forger.Answered(), 1);
}

// The exact reply after the near misses counts: the probe reads on until it
// comes.
TEST(PingHost, ReplyAfterOtherDatagramsCounts) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  SilentKernel silent;
  ASSERT_TRUE(silent.Set());
  EchoForger forger([](const Bytes& request) {
    std::vector<Bytes> answers = NearMisses(request);
    answers.push_back(ReplyTo(request));
    return answers;
  });
  ASSERT_TRUE(forger.Running());
  EXPECT_EQ(PingHost("127.0.0.1", "127.0.0.1"), 0);
}

// Without the right to raw sockets the unprivileged echo socket carries the
// same request, and the kernel's answer counts.
TEST(PingHost, WorksWithoutRawSockets) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  ASSERT_TRUE(network_sandbox::WriteSysctl("net/ipv4/ping_group_range", "0 2147483647"));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const gid_t nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(10);
    auto socket = platform::net::IcmpSocket::Open(nullptr, 4321);
    if (!socket) _exit(11);
    if (socket->IsRaw()) _exit(12);
    socket->Close();
    _exit(PingHost(nullptr, "127.0.0.1") == 0 ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  network_sandbox::WriteSysctl("net/ipv4/ping_group_range", "1 0");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(QueryDns, AnyAnswerCountsEvenAnError) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  DnsServer server("127.0.0.1", true);
  ASSERT_TRUE(server.Running());
  EXPECT_EQ(QueryDns("127.0.0.1", "www.vamo.test"), 0);
  ASSERT_EQ(server.Queries().size(), 1u);
  EXPECT_EQ(server.Queries()[0], BuildDnsQuery(static_cast<uint16_t>(getpid() & 0xFFFF), "www.vamo.test"));
}

TEST(QueryDns, SilenceAndUnusableAddressesFail) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  DnsServer server("127.0.0.1", false);
  ASSERT_TRUE(server.Running());
  EXPECT_EQ(QueryDns("127.0.0.1", "www.vamo.test"), -1);
  EXPECT_EQ(server.Queries().size(), 1u);
  // The second server of a PC that has one: an empty address.
  EXPECT_EQ(QueryDns("", "www.vamo.test"), -1);
  EXPECT_EQ(QueryDns("127.0.0", "www.vamo.test"), -1);
}

TEST(ConnectTcp, ListenerAcceptsAndNothingIsSent) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  TcpListener listener("127.0.0.1");
  ASSERT_NE(listener.Port(), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(ConnectTcp("127.0.0.1", std::to_string(listener.Port())), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(listener.TookSilentConnection());
}

TEST(ConnectTcp, FailuresSayWhy) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  uint16_t nClosed = 0;
  {
    TcpListener gone("127.0.0.1");
    nClosed = gone.Port();
  }
  testing::internal::CaptureStdout();
  EXPECT_EQ(ConnectTcp("127.0.0.1", std::to_string(nClosed)), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to connect to server!\n");

  testing::internal::CaptureStdout();
  EXPECT_EQ(ConnectTcp("nosuch.vamo.test", "80"), 0);
  const std::string unknown = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(unknown == "getaddrinfo failed with error: 11001\n" ||
              unknown == "getaddrinfo failed with error: 11002\n")
      << unknown;

  testing::internal::CaptureStdout();
  EXPECT_EQ(ConnectTcp("127.0.0.1", "no-such-service"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "getaddrinfo failed with error: 10109\n");
}

// A name with several addresses: the first that accepts wins, after the
// ones before it refused.
TEST(ConnectTcp, WalksTheAddressesOfAName) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  network_sandbox::SetHosts("127.0.0.1 localhost\n127.0.0.3 multi.vamo.test\n127.0.0.4 multi.vamo.test\n");
  const platform::net::AddressHints hints{0, platform::net::kAfUnspec, platform::net::kSockStream,
                                          platform::net::kIpprotoTcp};
  const auto order = platform::net::GetAddrInfo("multi.vamo.test", "80", hints);
  ASSERT_TRUE(order.has_value());
  ASSERT_EQ(order->size(), 2u);
  const std::string last = order->back().address.AddressText();
  TcpListener listener(last);
  ASSERT_NE(listener.Port(), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(ConnectTcp("multi.vamo.test", std::to_string(listener.Port())), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(listener.TookSilentConnection());
  network_sandbox::SetHosts("127.0.0.1 localhost\n");
}

TEST(ReverseLookup, NameOfAnAddressOrNothing) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  network_sandbox::SetHosts("127.0.0.1 localhost\n127.0.0.53 dns1.vamo.test dns1\n");
  EXPECT_EQ(ReverseLookup("127.0.0.53"), "dns1.vamo.test");
  EXPECT_EQ(ReverseLookup("127.0.0.1"), "localhost");
  EXPECT_EQ(ReverseLookup("127.0.0.9"), "");
  EXPECT_EQ(ReverseLookup(""), "");
  EXPECT_EQ(ReverseLookup("dns1.vamo.test"), "");
  network_sandbox::SetHosts("127.0.0.1 localhost\n");
}

}  // namespace
