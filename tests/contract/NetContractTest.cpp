// Windows Sockets, the resolver and IP Helper's adapter facts, on loopback
// only: nothing here sends a packet off the machine or asks a name server.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/net/AdapterDevice.h"
#include "platform/net/AdaptersInfo.h"
#include "platform/net/NetworkParams.h"
#include "platform/net/Resolver.h"
#include "platform/net/Socket.h"
#include "platform/net/SocketLayer.h"
#include "tests/support/LoopbackPeer.h"

namespace {

using namespace platform;
using platform::net::SocketAddress;

class NetContract : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(InitSocketLayer(), kErrorSuccess); }

  static net::Socket OpenTcp() {
    auto socket = net::Socket::Open(net::kAfInet, net::kSockStream, net::kIpprotoTcp);
    EXPECT_TRUE(socket.has_value());
    return socket ? std::move(*socket) : net::Socket();
  }
};

// The first name the host's hosts file gives 127.0.0.1, or "" when it gives
// none: a reverse look-up is made only when the file answers it, so that it
// never reaches a name server. Wine's resolver is the host's, which reads
// the same file (seen from Windows through drive Z:).
std::string HostsFileNameOfLoopback() {
  for (const char* path : {"/etc/hosts", "Z:/etc/hosts"}) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
      std::istringstream words(line.substr(0, line.find('#')));
      std::string address;
      std::string name;
      if (words >> address >> name && address == "127.0.0.1") return name;
    }
  }
  return {};
}

TEST_F(NetContract, OnlyFourDecimalPartsAreAnAddress) {
  const std::optional<SocketAddress> address = net::ParseIpv4("198.51.100.7", 53);
  ASSERT_TRUE(address.has_value());
  EXPECT_EQ(address->family, net::kAfInet);
  EXPECT_EQ(address->port, 53);
  EXPECT_EQ(address->AddressText(), "198.51.100.7");
  for (const char* text : {"", "198.51.100", "198.51.100.7.1", "256.1.1.1", "www.vamo.test", " 1.2.3.4", "::1",
                           "0x7f.0.0.1", "127.1"}) {
    EXPECT_FALSE(net::ParseIpv4(text).has_value()) << text;
  }
}

TEST_F(NetContract, ConnectReachesAListenerAndIsRefusedByAClosedPort) {
  LoopbackPeer listener(LoopbackPeer::Kind::kTcpListener);
  ASSERT_NE(listener.Port(), 0);
  net::Socket socket = OpenTcp();
  EXPECT_EQ(socket.Connect(*net::ParseIpv4("127.0.0.1", listener.Port()), 5000), kErrorSuccess);

  // Nobody behind the port: refused, not left to run into the limit.
  const uint16_t port = listener.Port();
  listener.Close();
  net::Socket second = OpenTcp();
  EXPECT_EQ(second.Connect(*net::ParseIpv4("127.0.0.1", port), 20000), kWsaEconnrefused);
}

// A listener whose queue is full and never accepts stands for a silent
// server: the host drops further handshakes. The connect must end at the
// caller's limit; the system's own limit is far longer (over two minutes
// under Wine), so the generous bound below still tells the two apart.
TEST_F(NetContract, ConnectGivesUpAtTheCallersLimit) {
  LoopbackPeer listener(LoopbackPeer::Kind::kTcpListener, 0);
  ASSERT_NE(listener.Port(), 0);
  const SocketAddress target = *net::ParseIpv4("127.0.0.1", listener.Port());
  std::vector<net::Socket> queued;
  Win32Error result = kErrorSuccess;
  auto took = std::chrono::steady_clock::duration::zero();
  // The queue holds one or two connections, as the system rounds the backlog.
  for (int attempt = 0; attempt < 4 && result == kErrorSuccess; ++attempt) {
    net::Socket socket = OpenTcp();
    const auto start = std::chrono::steady_clock::now();
    result = socket.Connect(target, 500);
    took = std::chrono::steady_clock::now() - start;
    queued.push_back(std::move(socket));
  }
  EXPECT_EQ(result, kWsaEtimedout);
  EXPECT_LT(took, std::chrono::seconds(15));
}

TEST_F(NetContract, DatagramMakesTheRoundTrip) {
  LoopbackPeer peer(LoopbackPeer::Kind::kUdp);
  ASSERT_NE(peer.Port(), 0);
  auto socket = net::Socket::Open(net::kAfInet, net::kSockDgram, net::kIpprotoUdp);
  ASSERT_TRUE(socket.has_value());
  EXPECT_EQ(socket->WaitReadable(50), false);

  const std::vector<uint8_t> query = {0x12, 0x34, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_EQ(socket->SendTo(query, *net::ParseIpv4("127.0.0.1", peer.Port())), kErrorSuccess);
  ASSERT_TRUE(peer.EchoOneDatagram(5000));
  EXPECT_EQ(socket->WaitReadable(5000), true);
  const auto answer = socket->Receive(512);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, query);
}

TEST_F(NetContract, ClosedSocketsAnswerNotASocket) {
  net::Socket socket;
  EXPECT_FALSE(socket.IsOpen());
  EXPECT_EQ(socket.Connect(*net::ParseIpv4("127.0.0.1", 9), 100), kWsaEnotsock);
  EXPECT_EQ(socket.WaitReadable(0).error(), kWsaEnotsock);
  EXPECT_EQ(net::Socket::Open(10, net::kSockStream, 0).error(), kWsaEafnosupport);
}

TEST_F(NetContract, NumericHostsResolveWithoutAServer) {
  const net::AddressHints hints{0, net::kAfUnspec, net::kSockStream, net::kIpprotoTcp};
  const auto v4 = net::GetAddrInfo("127.0.0.1", "443", hints);
  ASSERT_TRUE(v4.has_value());
  ASSERT_EQ(v4->size(), 1u);
  EXPECT_EQ((*v4)[0].family, net::kAfInet);
  EXPECT_EQ((*v4)[0].socketType, net::kSockStream);
  EXPECT_EQ((*v4)[0].address.AddressText(), "127.0.0.1");
  EXPECT_EQ((*v4)[0].address.port, 443);

  const auto v6 = net::GetAddrInfo("::1", "80", hints);
  ASSERT_TRUE(v6.has_value());
  ASSERT_EQ(v6->size(), 1u);
  EXPECT_EQ((*v6)[0].family, net::kAfInet6);
  EXPECT_EQ((*v6)[0].address.AddressText(), "::1");

  EXPECT_EQ(net::GetAddrInfo("127.0.0.1", "no-such-service", hints).error(), kWsaTypeNotFound);
  const net::AddressHints oddFamily{0, 10, net::kSockStream, 0};
  EXPECT_EQ(net::GetAddrInfo("127.0.0.1", "80", oddFamily).error(), kWsaEafnosupport);
}

TEST_F(NetContract, LoopbackHasTheNameTheHostsFileGivesIt) {
  const std::string expected = HostsFileNameOfLoopback();
  if (expected.empty()) GTEST_SKIP() << "the hosts file does not name 127.0.0.1";
  const auto name = net::GetHostByAddress(*net::ParseIpv4("127.0.0.1"));
  ASSERT_TRUE(name.has_value()) << name.error();
  EXPECT_EQ(*name, expected);
  EXPECT_EQ(net::GetHostByAddress(*net::ParseIpv4("::1")).error(), kWsaEafnosupport);
}

// The two-call protocol of IP Helper: the size, then the list into a buffer
// of that size; one byte less is refused and leaves the list alone.
TEST_F(NetContract, AdapterListFollowsTheSizeProtocol) {
  uint32_t nSize = 0;
  const Win32Error sized = net::GetAdaptersInfoSize(nSize);
  if (sized == kErrorNoData) GTEST_SKIP() << "no adapters besides loopback";
  ASSERT_EQ(sized, kErrorBufferOverflow);
  ASSERT_GT(nSize, 0u);

  std::vector<net::AdapterInfo> adapters;
  ASSERT_EQ(net::GetAdaptersInfo(nSize, adapters), kErrorSuccess);
  ASSERT_FALSE(adapters.empty());
  // The size asked for holds the list (Wine asks for a little more room
  // than the records take).
  EXPECT_LE(net::AdaptersInfoSize(adapters), nSize);
  for (size_t i = 0; i < adapters.size(); ++i) {
    const net::AdapterInfo& adapter = adapters[i];
    EXPECT_FALSE(adapter.strAdapterName.empty());
    EXPECT_NE(adapter.nType, net::kIfTypeLoopback) << adapter.strAdapterName;
    ASSERT_FALSE(adapter.ipAddressList.empty()) << adapter.strAdapterName;
    EXPECT_FALSE(adapter.gatewayList.empty()) << adapter.strAdapterName;
    for (const net::IpAddressEntry& entry : adapter.ipAddressList) {
      EXPECT_TRUE(net::ParseIpv4(entry.strAddress).has_value()) << entry.strAddress;
      EXPECT_TRUE(net::ParseIpv4(entry.strMask).has_value()) << entry.strMask;
    }
    if (i > 0) {
      EXPECT_LT(adapters[i - 1].nIndex, adapter.nIndex);
    }
  }

  std::vector<net::AdapterInfo> untouched = {net::AdapterInfo{}};
  EXPECT_EQ(net::GetAdaptersInfo(nSize - 1, untouched), kErrorBufferOverflow);
  EXPECT_EQ(untouched.size(), 1u);
}

TEST_F(NetContract, NetworkParamsFollowTheSizeProtocol) {
  uint32_t nSize = 0;
  ASSERT_EQ(net::GetNetworkParamsSize(nSize), kErrorBufferOverflow);
  net::NetworkParams params;
  ASSERT_EQ(net::GetNetworkParams(nSize, params), kErrorSuccess);
  EXPECT_FALSE(params.strHostName.empty());
  EXPECT_EQ(params.strHostName.find('.'), std::string::npos) << params.strHostName;
  EXPECT_EQ(net::NetworkParamsSize(params), nSize);
  for (const std::string& server : params.dnsServers) EXPECT_TRUE(net::ParseIpv4(server).has_value()) << server;

  net::NetworkParams untouched;
  untouched.strHostName = "kept";
  EXPECT_EQ(net::GetNetworkParams(nSize - 1, untouched), kErrorBufferOverflow);
  EXPECT_EQ(untouched.strHostName, "kept");
}

TEST_F(NetContract, AdapterDeviceOpensOnlyAnAdaptersPath) {
  for (const char* path : {"\\\\.\\no-such-adapter", "no-such-adapter", "\\\\.\\"}) {
    const auto device = net::AdapterDevice::Open(path);
    ASSERT_FALSE(device.has_value()) << path;
    EXPECT_EQ(device.error(), kErrorFileNotFound) << path;
  }
  const net::AdapterDevice closed;
  EXPECT_EQ(closed.QueryGlobalStats(net::kOidGenMediaConnectStatus).error(), kErrorInvalidHandle);
}

// Every adapter the list names opens by its device path and tells its
// medium state, which every miniport must answer.
TEST_F(NetContract, EveryListedAdapterTellsItsMediumState) {
  uint32_t nSize = 0;
  if (net::GetAdaptersInfoSize(nSize) != kErrorBufferOverflow) GTEST_SKIP() << "no adapters besides loopback";
  std::vector<net::AdapterInfo> adapters;
  ASSERT_EQ(net::GetAdaptersInfo(nSize, adapters), kErrorSuccess);
  std::vector<net::AdapterDevice> devices;
  for (const net::AdapterInfo& adapter : adapters) {
    auto device = net::AdapterDevice::Open(net::AdapterDevicePath(adapter.strAdapterName));
    ASSERT_TRUE(device.has_value()) << adapter.strAdapterName << ": " << device.error();
    devices.push_back(std::move(*device));
  }
  // Wine 8's ndis.sys makes a device per adapter but answers only the
  // address and medium-type OIDs (ERROR_INVALID_PARAMETER for this one);
  // the backend then reads IP Helper's interface row.
  for (const net::AdapterDevice& device : devices) {
    const auto state = device.QueryGlobalStats(net::kOidGenMediaConnectStatus);
    if (!state) {
      EXPECT_EQ(state.error(), kErrorNotReady);
      continue;
    }
    EXPECT_TRUE(*state == net::kMediaStateConnected || *state == net::kMediaStateDisconnected) << *state;
  }
}

}  // namespace
