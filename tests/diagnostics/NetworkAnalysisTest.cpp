// The network analysis in a network of the test's own, for what the lab
// (NetworkLabTest.cpp) cannot show: adapters that vanish, fail beside a
// connected one, or are missing altogether. The PC's adapter is one end of a
// veth pair whose other end, in a second namespace, is the gateway; the name
// servers, the carrier web host and the payment server are peers of the test
// on loopback addresses.
#include "diagnostics/NetworkAnalysis.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "diagnostics/NetworkCodes.h"
#include "resources/deployment.h"
#include "tests/diagnostics/DiagnosticsTestSupport.h"
#include "tests/diagnostics/NetworkPeers.h"
#include "tests/support/NetworkSandbox.h"
#include "tests/system/SystemTestSupport.h"
#include "tests/support/TempPrefix.h"

namespace {

using network_sandbox::Shell;

constexpr char kCarrier[] = VAMO_CARRIER_WEB_HOST;
constexpr char kPayment[] = VAMO_PAYMENT_SERVER_HOST;
constexpr char kCarrierAddress[] = "127.0.0.10";
constexpr char kPaymentAddress[] = "127.0.0.11";

class NetworkAnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VAMO_REQUIRE_NETWORK_SANDBOX();
    network_sandbox::SetResolvConf("nameserver 127.0.0.1\nnameserver 127.0.0.2\n");
    network_sandbox::SetHosts(std::string("127.0.0.1 localhost\n") + kCarrierAddress + " " + kCarrier + "\n" +
                              kPaymentAddress + " " + kPayment + "\n");
  }
  void TearDown() override {
    Shell("ip link del vamo0");
    Shell("ip link del vamo2");
    network_sandbox::SetResolvConf("nameserver 127.0.0.1\n");
    network_sandbox::SetHosts("127.0.0.1 localhost\n");
  }

  // The PC's adapter vamo0 (198.51.100.2/24, default route) with the gateway
  // 198.51.100.1 at the far end, in the peer namespace.
  void MakeAdapterWithGateway() {
    ASSERT_TRUE(m_peer.Ready());
    ASSERT_EQ(Shell("ip link add vamo0 type veth peer name vamo1"), 0);
    ASSERT_EQ(Shell("ip addr add 198.51.100.2/24 dev vamo0 && ip link set vamo0 up"), 0);
    ASSERT_EQ(m_peer.Adopt("vamo1"), 0);
    ASSERT_EQ(m_peer.Shell("ip link set lo up && ip addr add 198.51.100.1/24 dev vamo1 && ip link set vamo1 up"), 0);
    ASSERT_EQ(Shell("ip route add default via 198.51.100.1 dev vamo0"), 0);
  }

  // Both web hosts listen on 80 and 443.
  void Serve() {
    for (const char* address : {kCarrierAddress, kPaymentAddress}) {
      for (uint16_t port : {80, 443}) m_listeners.push_back(std::make_unique<TcpListener>(address, port));
    }
    for (const auto& listener : m_listeners) ASSERT_NE(listener->Port(), 0);
  }

  std::unique_ptr<CNetworkAnalysis> Analysis() {
    auto analysis = std::make_unique<CNetworkAnalysis>(m_report, m_status, kCarrier, kPayment);
    analysis->m_nStepPauseMs = 0;
    return analysis;
  }

  TempPrefix m_prefix;
  PeerNamespace m_peer;
  CollectingReport m_report;
  CollectingStatus m_status;
  std::vector<std::unique_ptr<TcpListener>> m_listeners;
};

// An adapter removed between the listing and the device check cannot be
// opened.
TEST_F(NetworkAnalysisTest, AdapterGoneAfterTheListing) {
  ASSERT_TRUE(m_peer.Ready());
  ASSERT_EQ(Shell("ip link add vamo0 type veth peer name vamo1 && ip link set vamo0 up"), 0);
  ASSERT_EQ(m_peer.Adopt("vamo1"), 0);
  auto analysis = Analysis();
  ASSERT_EQ(analysis->CheckAdapters(), 0);
  ASSERT_EQ(analysis->m_adapterList.size(), 1u);
  ASSERT_EQ(Shell("ip link del vamo0"), 0);
  EXPECT_EQ(analysis->CheckDevices(), kErrNetDevice);
  EXPECT_EQ(m_report.m_lines, std::vector<std::string>{"\\\\.\\vamo0 : Device Open Fail.\r\n"});
  const CAdapterItem& item = *analysis->m_adapterList[0];
  EXPECT_EQ(item.m_nState, CCheckItem::kStateFailed);
  EXPECT_EQ(item.m_strStatusText, "장비에 접근할수 없습니다.");
  EXPECT_EQ(item.m_bConnected, 0);
  EXPECT_EQ(item.m_strDescription, " (Device Open Fail...)");
  EXPECT_TRUE(analysis->m_gatewayList.empty());
}

// One connected adapter is enough, whatever the others say.
TEST_F(NetworkAnalysisTest, OneConnectedAdapterOutweighsFailedOnes) {
  MakeAdapterWithGateway();
  ASSERT_EQ(Shell("ip link add vamo2 type veth peer name vamo3 && ip link set vamo3 up"), 0);
  auto analysis = Analysis();
  ASSERT_EQ(analysis->CheckAdapters(), 0);
  EXPECT_EQ(analysis->m_adapterList.size(), 3u);
  EXPECT_EQ(analysis->CheckDevices(), 0);
  EXPECT_NE(m_report.LineStartingWith("\\\\.\\vamo2 : Not Response."), "(none)");
  EXPECT_NE(m_report.LineStartingWith("\\\\.\\vamo3 : Not Connected."), "(none)");
  EXPECT_EQ(analysis->m_gatewayList.size(), 1u);
}

// A PC without adapters: the adapter query fails, the device check finds
// nothing connected, and still the DNS and TCP checks decide.
TEST_F(NetworkAnalysisTest, NoAdaptersStillReachesTheServerChecks) {
  TraceLog trace;
  DnsServer first("127.0.0.1", true);
  DnsServer second("127.0.0.2", true);
  Serve();
  auto analysis = Analysis();
  EXPECT_EQ(analysis->CheckAdapters(), kErrNetAdapterInfo3);
  EXPECT_TRUE(trace.Has("GetAdaptersInfo sizing failed with error 232")) << trace.Text();
  EXPECT_EQ(analysis->CheckDevices(), kErrNetNoConnectedAdapter);
  m_report.m_lines.clear();
  auto whole = Analysis();
  EXPECT_EQ(whole->AnalyzeNetwork(), 0);
  EXPECT_EQ(m_report.LineStartingWith("Device : "), "(none)");
  EXPECT_EQ(m_report.LineStartingWith("Gateway : "), "(none)");
  EXPECT_NE(m_report.LineStartingWith("------- ANALYSIS NETWORK END"), "(none)");
}

}  // namespace
