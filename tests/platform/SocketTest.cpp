// Sockets and the resolver with Windows' error numbers, in a network
// namespace of the test's own.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/net/Resolver.h"
#include "platform/net/Socket.h"
#include "tests/support/NetworkSandbox.h"

namespace {

using platform::net::SocketAddress;

// A listening TCP socket on 127.0.0.1 with the given backlog.
struct Listener {
  explicit Listener(int backlog) {
    fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port = ntohs(address.sin_port);
  }
  ~Listener() { close(fd); }
  int fd = -1;
  uint16_t port = 0;
};

TEST(Ipv4Text, OnlyFourDecimalPartsAreAnAddress) {
  const std::optional<SocketAddress> address = platform::net::ParseIpv4("198.51.100.7", 53);
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(address->family, platform::net::kAfInet);
  EXPECT_EQ(address->port, 53);
  EXPECT_EQ(address->AddressText(), "198.51.100.7");
  for (const char* text : {"", "198.51.100", "198.51.100.7.1", "256.1.1.1", "www.vamo.test", " 1.2.3.4", "::1"}) {
    EXPECT_FALSE(platform::net::ParseIpv4(text).has_value()) << text;
  }
}

TEST(Socket, ConnectGivesUpAtItsLimit) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  // A listener that accepts nothing: once its queue holds one connection,
  // the kernel drops further handshakes and a connect waits.
  Listener listener(0);
  ASSERT_NE(listener.port, 0);
  const SocketAddress target = *platform::net::ParseIpv4("127.0.0.1", listener.port);
  auto first = platform::net::Socket::Open(platform::net::kAfInet, platform::net::kSockStream,
                                           platform::net::kIpprotoTcp);
  ASSERT_TRUE(first.has_value());
  ASSERT_EQ(first->Connect(target, 2000), platform::kErrorSuccess);
  auto second = platform::net::Socket::Open(platform::net::kAfInet, platform::net::kSockStream,
                                            platform::net::kIpprotoTcp);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->Connect(target, 300), platform::kWsaEtimedout);

  // Nobody on the port at all: refused at once.
  const uint16_t port = listener.port;
  close(listener.fd);
  listener.fd = -1;
  auto third = platform::net::Socket::Open(platform::net::kAfInet, platform::net::kSockStream,
                                           platform::net::kIpprotoTcp);
  ASSERT_TRUE(third.has_value());
  EXPECT_EQ(third->Connect(*platform::net::ParseIpv4("127.0.0.1", port), 2000), platform::kWsaEconnrefused);
}

TEST(Socket, OpenSpeaksWindowsFamilies) {
  EXPECT_TRUE(platform::net::Socket::Open(platform::net::kAfInet6, platform::net::kSockStream,
                                          platform::net::kIpprotoTcp)
                  .has_value());
  EXPECT_EQ(platform::net::Socket::Open(10, platform::net::kSockStream, 0).error(), platform::kWsaEafnosupport);
  EXPECT_EQ(platform::net::Socket::Open(platform::net::kAfInet, platform::net::kSockStream, platform::net::kIpprotoUdp)
                .error(),
            platform::kWsaEprotonosupport);
}

TEST(Resolver, NamesComeFromTheHostsFileInOrder) {
  VAMO_REQUIRE_NETWORK_SANDBOX();
  network_sandbox::SetHosts("127.0.0.1 localhost\n127.0.0.3 twice.vamo.test\n127.0.0.4 twice.vamo.test\n");
  const platform::net::AddressHints hints{0, platform::net::kAfInet, platform::net::kSockStream,
                                          platform::net::kIpprotoTcp};
  const auto addresses = platform::net::GetAddrInfo("twice.vamo.test", "443", hints);
  ASSERT_TRUE(addresses.has_value());
  ASSERT_EQ(addresses->size(), 2u);
  for (const platform::net::AddressInfo& info : *addresses) {
    EXPECT_EQ(info.family, platform::net::kAfInet);
    EXPECT_EQ(info.address.port, 443);
  }
  EXPECT_NE((*addresses)[0].address.AddressText(), (*addresses)[1].address.AddressText());

  const auto name = platform::net::GetHostByAddress(*platform::net::ParseIpv4("127.0.0.1"));
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(*name, "localhost");
  // The name server of the sandbox (127.0.0.1) does not exist: no name.
  EXPECT_FALSE(platform::net::GetHostByAddress(*platform::net::ParseIpv4("127.0.0.9")).has_value());
  const auto missing = platform::net::GetAddrInfo("nosuch.vamo.test", "80", hints);
  ASSERT_FALSE(missing.has_value());
  EXPECT_TRUE(missing.error() == platform::kWsaHostNotFound || missing.error() == platform::kWsaTryAgain)
      << missing.error();
  EXPECT_EQ(platform::net::GetAddrInfo("localhost", "no-such-service", hints).error(), platform::kWsaTypeNotFound);
  network_sandbox::SetHosts("127.0.0.1 localhost\n");
}

}  // namespace
