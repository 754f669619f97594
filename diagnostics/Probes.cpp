#include "diagnostics/Probes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "diagnostics/ProbePackets.h"
#include "platform/net/IcmpSocket.h"
#include "platform/net/Resolver.h"
#include "platform/net/Socket.h"
#include "platform/process/Process.h"

namespace {

using platform::net::SocketAddress;

// The largest datagram the echo probe reads: an Ethernet frame's payload.
constexpr size_t kEchoReadSize = 1500;
constexpr size_t kDnsReadSize = 65536;
constexpr uint16_t kDnsPort = 53;
// Host and port texts are held in buffers of this size (with the NUL).
constexpr size_t kResolverTextBuffer = 260;

std::string Bounded(const std::string& text) {
  return text.substr(0, std::min(text.find('\0'), kResolverTextBuffer - 1));
}

}  // namespace

int PingHost(const char* sourceAddress, const char* targetAddress) {
  const uint16_t nIdentifier = static_cast<uint16_t>(std::rand());
  std::expected<platform::net::IcmpSocket, platform::Win32Error> socket =
      platform::net::IcmpSocket::Open(sourceAddress, nIdentifier);
  if (!socket) return -1;
  const std::optional<SocketAddress> target = platform::net::ParseIpv4(targetAddress ? targetAddress : "");
  if (!target) return -1;
  // A datagram socket stamps its own identifier; the request and the reply
  // check use the one that goes out.
  const std::vector<uint8_t> request = BuildEchoRequest(socket->Identifier());
  if (socket->SendTo(request, *target) != platform::kErrorSuccess) return -1;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPingReplyWaitMs);
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return -1;
    const std::expected<bool, platform::Win32Error> readable = socket->WaitReadable(static_cast<int>(left));
    if (!readable || !*readable) return -1;
    const std::expected<std::vector<uint8_t>, platform::Win32Error> message = socket->ReceiveMessage(kEchoReadSize);
    if (!message) return -1;
    // A raw socket sees every ICMP message of the machine (our own request
    // on loopback, other programs' traffic); only the reply counts.
    if (IsEchoReplyTo(*message, request)) return 0;
  }
}

int QueryDns(const std::string& strServerAddress, const std::string& strQueryName) {
  std::expected<platform::net::Socket, platform::Win32Error> socket =
      platform::net::Socket::Open(platform::net::kAfInet, platform::net::kSockDgram, platform::net::kIpprotoUdp);
  if (!socket) return -1;
  const std::optional<SocketAddress> server = platform::net::ParseIpv4(strServerAddress, kDnsPort);
  if (!server) return -1;
  const uint16_t nIdentifier = static_cast<uint16_t>(platform::GetCurrentProcessId() & 0xFFFF);
  if (socket->SendTo(BuildDnsQuery(nIdentifier, strQueryName), *server) != platform::kErrorSuccess) return -1;
  const std::expected<bool, platform::Win32Error> readable = socket->WaitReadable(kDnsAnswerWaitMs);
  if (!readable || !*readable) return -1;
  // What came is not looked at: any answer shows the server is there. A
  // read that fails (an ICMP error queued on the socket) is no answer.
  return socket->Receive(kDnsReadSize) ? 0 : -1;
}

int ConnectTcp(const std::string& strHost, const std::string& strPort) {
  const platform::net::AddressHints hints{0, platform::net::kAfUnspec, platform::net::kSockStream,
                                          platform::net::kIpprotoTcp};
  const std::expected<std::vector<platform::net::AddressInfo>, platform::Win32Error> addresses =
      platform::net::GetAddrInfo(Bounded(strHost), Bounded(strPort), hints);
  if (!addresses) {
    std::printf("getaddrinfo failed with error: %d\n", static_cast<int>(addresses.error()));
    std::fflush(stdout);
    return 0;
  }
  bool bConnected = false;
  for (const platform::net::AddressInfo& address : *addresses) {
    std::expected<platform::net::Socket, platform::Win32Error> socket =
        platform::net::Socket::Open(address.family, address.socketType, address.protocol);
    if (!socket) {
      std::printf("socket failed with error: %ld\n", static_cast<long>(socket.error()));
      std::fflush(stdout);
      return 0;
    }
    if (socket->Connect(address.address, kConnectTimeLimitMs) == platform::kErrorSuccess) {
      bConnected = true;
      break;
    }
  }
  if (!bConnected) {
    std::printf("Unable to connect to server!\n");
    std::fflush(stdout);
    return 0;
  }
  return 1;
}

std::string ReverseLookup(const std::string& strAddress) {
  const std::optional<SocketAddress> address = platform::net::ParseIpv4(strAddress);
  if (!address) return {};
  std::expected<std::string, platform::Win32Error> name = platform::net::GetHostByAddress(*address);
  return name ? *name : std::string();
}
