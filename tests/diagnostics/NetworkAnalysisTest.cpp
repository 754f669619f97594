// The network analysis in a network of the test's own: the PC's adapter is
// one end of a veth pair whose other end, in a second namespace, is the
// gateway; the name servers, the carrier web host and the payment server are
// peers of the test on loopback addresses.
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

std::string Mac(const std::string& name) {
  std::string text = ReadHostFile("/sys/class/net/" + name + "/address");
  if (!text.empty() && text.back() == '\n') text.pop_back();
  for (char& c : text) c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string HostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const std::string name(host);
  return name.substr(0, name.find('.'));
}

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
  void MakeAdapterWithGateway(bool bDefaultRoute = true) {
    ASSERT_TRUE(m_peer.Ready());
    ASSERT_EQ(Shell("ip link add vamo0 type veth peer name vamo1"), 0);
    ASSERT_EQ(Shell("ip link set vamo0 alias 'Vamo Test Ethernet'"), 0);
    ASSERT_EQ(Shell("ip addr add 198.51.100.2/24 dev vamo0 && ip link set vamo0 up"), 0);
    ASSERT_EQ(m_peer.Adopt("vamo1"), 0);
    ASSERT_EQ(m_peer.Shell("ip link set lo up && ip addr add 198.51.100.1/24 dev vamo1 && ip link set vamo1 up"), 0);
    if (bDefaultRoute) {
      ASSERT_EQ(Shell("ip route add default via 198.51.100.1 dev vamo0"), 0);
    }
  }

  void Serve(bool bCarrierHttp, bool bCarrierSsl, bool bPaymentHttp, bool bPaymentSsl) {
    const auto listen = [this](bool bOn, const char* address, uint16_t port) {
      if (bOn) m_listeners.push_back(std::make_unique<TcpListener>(address, port));
    };
    listen(bCarrierHttp, kCarrierAddress, 80);
    listen(bCarrierSsl, kCarrierAddress, 443);
    listen(bPaymentHttp, kPaymentAddress, 80);
    listen(bPaymentSsl, kPaymentAddress, 443);
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

TEST_F(NetworkAnalysisTest, HealthyNetworkWritesTheWholeSection) {
  MakeAdapterWithGateway();
  DnsServer first("127.0.0.1", true);
  DnsServer second("127.0.0.2", true);
  Serve(true, true, true, true);
  auto analysis = Analysis();
  ASSERT_EQ(analysis->AnalyzeNetwork(), 0);

  const std::string carrier = kCarrier;
  const std::string payment = kPayment;
  const std::vector<std::string> expected = {
      "\\\\.\\vamo0 : Connected.\r\n",
      "Gateway IP : 198.51.100.1 [Connected]\r\n",
      "DNS : 127.0.0.1 [Connected]\r\n",
      "DNS : 127.0.0.2 [Connected]\r\n",
      carrier + ":80 [Connected]\r\n",
      carrier + ":443 [Connected]\r\n",
      payment + " (HTTP/SSL) [Confirm/Confirm]\r\n",
      "------- ANALYSIS NETWORK BEGIN -------\r\n",
      "호스트 : " + HostName() + "\r\n",
      "설명 : DNS Server : 127.0.0.1\r\nDNS Server : 127.0.0.2\r\nNode Type : \r\n\r\n",
      "Device : Vamo Test Ethernet\r\n",
      "Adapter : vamo0\r\n",
      "Description : Mac Address : " + Mac("vamo0") +
          "\r\n\r\nIP Address : 198.51.100.2\r\nSubnet Mask : 255.255.255.0\r\nDefault Gateway : 198.51.100.1\r\n\r\n",
      "Gateway : 198.51.100.1\r\n",
      "Description : Vamo Test Ethernet\r\n198.51.100.2\r\n198.51.100.1\r\n\r\n",
      "DNS : localhost\r\n",
      "Description : Host Name : localhost\r\nIP Address : 127.0.0.1\r\n\r\n",
      "DNS : 127.0.0.2\r\n",
      "Description : IP Address : 127.0.0.2\r\n\r\n",
      "Internet : \r\n",
      "Description : " + carrier + " : 정상\r\n" + carrier + " (SSL) : 정상\r\n" + payment + " : 정상\r\n" + payment +
          " (SSL) : 정상\r\n\r\n",
      "------- ANALYSIS NETWORK END -------\r\n",
  };
  EXPECT_EQ(m_report.m_lines, expected);
  EXPECT_EQ(m_status.m_texts,
            (std::vector<std::string>{"시스템의 네트워크 정보를 가져오고 있습니다.", "네트워크 장치 정보를 가져오고 있습니다.",
                                      "네트워크 장치를 검사중입니다.",
                                      "게이트웨이와 통신이 정상인지 테스트하고 있습니다.", "DNS 를 검사중입니다.",
                                      "인터넷 통신을 점검중 입니다.", "인터넷 보안채널 통신을 점검중 입니다.",
                                      "케보 서버와 통신을 점검중입니다."}));
  EXPECT_EQ(analysis->m_netParamsItem.m_nState, CCheckItem::kStateConfirmed);
  ASSERT_EQ(analysis->m_adapterList.size(), 1u);
  EXPECT_EQ(analysis->m_adapterList[0]->m_strType, "ETHERNET");
  EXPECT_EQ(analysis->m_adapterList[0]->m_bConnected, 1);
  EXPECT_EQ(analysis->m_adapterList[0]->m_strStatusText, "연결됨");
  ASSERT_EQ(analysis->m_gatewayList.size(), 1u);
  EXPECT_EQ(analysis->m_gatewayList[0]->m_strStatusText, "확인됨.");
  ASSERT_EQ(analysis->m_dnsList.size(), 2u);
  EXPECT_EQ(analysis->m_internetItem.m_nState, CCheckItem::kStateConfirmed);
  EXPECT_EQ(analysis->m_internetItem.m_strStatusText, "확인됨.");
}

struct PaymentRow {
  const char* name;
  bool bHttp;
  bool bSsl;
  int nResult;
  int nState;
  const char* status;
  const char* verdict;
  const char* httpLine;
  const char* sslLine;
};

class PaymentServerRows : public NetworkAnalysisTest, public ::testing::WithParamInterface<PaymentRow> {};

// Both channels are always tried and reported; the outcome decides the code.
TEST_P(PaymentServerRows, VerdictFollowsTheTwoChannels) {
  const PaymentRow& row = GetParam();
  MakeAdapterWithGateway();
  DnsServer first("127.0.0.1", true);
  DnsServer second("127.0.0.2", true);
  Serve(true, true, row.bHttp, row.bSsl);
  auto analysis = Analysis();
  EXPECT_EQ(analysis->AnalyzeNetwork(), row.nResult);
  const std::string payment = kPayment;
  EXPECT_EQ(m_report.LineStartingWith(payment + " (HTTP/SSL)"), payment + " (HTTP/SSL) [" + row.verdict + "]\r\n");
  EXPECT_EQ(analysis->m_internetItem.m_nState, row.nState);
  EXPECT_EQ(analysis->m_internetItem.m_strStatusText, row.status);
  const std::string carrier = kCarrier;
  EXPECT_EQ(analysis->m_internetItem.m_strDescription, carrier + " : 정상\r\n" + carrier + " (SSL) : 정상\r\n" +
                                                           payment + row.httpLine + "\r\n" + payment + row.sslLine +
                                                           "\r\n");
  const bool bSection = m_report.LineStartingWith("------- ANALYSIS NETWORK BEGIN") != "(none)";
  EXPECT_EQ(bSection, row.nResult == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PaymentServerRows,
    ::testing::Values(PaymentRow{"BothConnect", true, true, 0, 0, "확인됨.", "Confirm/Confirm", " : 정상", " (SSL) : 정상"},
                      PaymentRow{"HttpFails", false, true, kErrNetServerHttp, 1, "HTTP 서버와의 접속이 불가합니다.",
                                 "Fail/Confirm", " : 접속불가", " (SSL) : 정상"},
                      PaymentRow{"SslFails", true, false, kErrNetServerSsl, 1, "보안 채널 서버와의 접속이 불가합니다.",
                                 "Confirm/Fail", " : 정상", " (SSL) : 접속불가"},
                      PaymentRow{"BothFail", false, false, kErrNetServerHttpSsl, 2, "케보 서버와 접속이 되지 않습니다.",
                                 "Fail/Fail", " : 접속불가", " (SSL) : 접속불가"}),
    [](const ::testing::TestParamInfo<PaymentRow>& info) { return info.param.name; });

TEST_F(NetworkAnalysisTest, CarrierWebHostRefusalsStopTheAnalysis) {
  MakeAdapterWithGateway();
  DnsServer first("127.0.0.1", true);
  DnsServer second("127.0.0.2", true);
  {
    Serve(false, true, true, true);
    auto analysis = Analysis();
    EXPECT_EQ(analysis->AnalyzeNetwork(), kErrNetInternetHttp);
    EXPECT_EQ(m_report.m_lines.back(), std::string(kCarrier) + ":80 [Not Connected]\r\n");
    EXPECT_EQ(analysis->m_internetItem.m_strDescription, std::string(kCarrier) + " : 접속불가\r\n");
  }
  m_listeners.clear();
  m_report.m_lines.clear();
  {
    Serve(true, false, true, true);
    auto analysis = Analysis();
    EXPECT_EQ(analysis->AnalyzeNetwork(), kErrNetInternetSsl);
    EXPECT_EQ(m_report.m_lines.back(), std::string(kCarrier) + ":443 [Not Connected]\r\n");
    EXPECT_EQ(analysis->m_internetItem.m_strDescription,
              std::string(kCarrier) + " : 정상\r\n" + kCarrier + " (SSL) : 접속불가\r\n");
  }
}

// One answering server is enough; when none answers the analysis stops with
// the device, gateway and DNS lines in the report and no section.
TEST_F(NetworkAnalysisTest, DnsServersThatDoNotAnswer) {
  MakeAdapterWithGateway();
  Serve(true, true, true, true);
  {
    DnsServer first("127.0.0.1", true);
    auto analysis = Analysis();
    EXPECT_EQ(analysis->AnalyzeNetwork(), 0);
    EXPECT_EQ(m_report.LineStartingWith("DNS : 127.0.0.2 ["), "DNS : 127.0.0.2 [Not Response]\r\n");
    EXPECT_EQ(analysis->m_dnsList[1]->m_strStatusText, "DNS 서버가 응답하지 않습니다.");
    EXPECT_EQ(analysis->m_dnsList[1]->m_nState, CCheckItem::kStateFailed);
  }
  m_report.m_lines.clear();
  network_sandbox::SetResolvConf("nameserver 127.0.0.3\n");
  auto analysis = Analysis();
  EXPECT_EQ(analysis->AnalyzeNetwork(), kErrNetDns);
  EXPECT_EQ(m_report.m_lines,
            (std::vector<std::string>{"\\\\.\\vamo0 : Connected.\r\n", "Gateway IP : 198.51.100.1 [Connected]\r\n",
                                      "DNS : 127.0.0.3 [Not Response]\r\n", "DNS :  [Not Response]\r\n"}));
}

TEST_F(NetworkAnalysisTest, SecondDnsItemIsTheLastServer) {
  network_sandbox::SetResolvConf("nameserver 127.0.0.1\nnameserver 127.0.0.2\nnameserver 127.0.0.4\n");
  auto analysis = Analysis();
  EXPECT_EQ(analysis->CheckNetworkParams(), 0);
  EXPECT_EQ(analysis->m_netParamsItem.m_strSecondDns, "127.0.0.4");
  EXPECT_EQ(analysis->CheckGateways(), kErrNetNoGateway);
  ASSERT_EQ(analysis->m_dnsList.size(), 2u);
  EXPECT_EQ(analysis->m_dnsList[1]->m_strAddress, "127.0.0.4");

  network_sandbox::SetResolvConf("nameserver 127.0.0.1\n");
  auto single = Analysis();
  EXPECT_EQ(single->CheckNetworkParams(), 0);
  EXPECT_EQ(single->m_netParamsItem.m_strDescription, "DNS Server : 127.0.0.1\r\nDNS Server : \r\nNode Type : \r\n");
  single->CheckGateways();
  ASSERT_EQ(single->m_dnsList.size(), 2u);
  EXPECT_EQ(single->m_dnsList[1]->m_strAddress, "");
  EXPECT_EQ(single->m_dnsList[1]->m_strName, "");
  EXPECT_EQ(single->m_dnsList[1]->m_strDescription, "IP Address : \r\n");
  EXPECT_EQ(single->m_dnsList[1]->m_strStatusText, "대기중");
}

// A gateway that ignores echo requests is reported as not responding, and
// the analysis goes on to the DNS and TCP checks.
TEST_F(NetworkAnalysisTest, SilentGatewayDoesNotStopTheAnalysis) {
  MakeAdapterWithGateway();
  ASSERT_EQ(m_peer.Shell("echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all"), 0);
  DnsServer first("127.0.0.1", true);
  DnsServer second("127.0.0.2", true);
  Serve(true, true, true, true);
  auto analysis = Analysis();
  EXPECT_EQ(analysis->AnalyzeNetwork(), 0);
  EXPECT_EQ(m_report.LineStartingWith("Gateway IP : "), "Gateway IP : 198.51.100.1 [Not Response]\r\n");
  ASSERT_EQ(analysis->m_gatewayList.size(), 1u);
  EXPECT_EQ(analysis->m_gatewayList[0]->m_nState, CCheckItem::kStateFailed);
  EXPECT_EQ(analysis->m_gatewayList[0]->m_strStatusText, "게이트웨이가 응답하지 않습니다.");
}

TEST_F(NetworkAnalysisTest, ConnectedAdapterWithoutGateway) {
  MakeAdapterWithGateway(false);
  auto analysis = Analysis();
  ASSERT_EQ(analysis->CheckAdapters(), 0);
  EXPECT_EQ(analysis->CheckDevices(), 0);
  EXPECT_EQ(m_report.m_lines,
            (std::vector<std::string>{"\\\\.\\vamo0 : Connected.\r\n", "\\\\.\\vamo0 : [Gateway Not found]\r\n"}));
  EXPECT_TRUE(analysis->m_gatewayList.empty());
  EXPECT_EQ(analysis->CheckGateways(), kErrNetNoGateway);
}

struct DeviceCase {
  const char* name;
  const char* setup;   // shell commands after vamo0/vamo1 exist (both down)
  bool bRemoveAfterListing;
  int nResult;
  const char* line;
  int nState;
  const char* status;
  const char* description;  // nullptr: unchanged
};

class DeviceOutcomes : public NetworkAnalysisTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(DeviceOutcomes, ThreeOutcomesOfTheMediaQuery) {
  const DeviceCase& c = GetParam();
  ASSERT_EQ(Shell("ip link add vamo0 type veth peer name vamo1"), 0);
  ASSERT_TRUE(m_peer.Ready());
  ASSERT_EQ(m_peer.Adopt("vamo1"), 0);
  ASSERT_EQ(Shell(c.setup), 0);
  auto analysis = Analysis();
  ASSERT_EQ(analysis->CheckAdapters(), 0);
  ASSERT_EQ(analysis->m_adapterList.size(), 1u);
  if (c.bRemoveAfterListing) {
    ASSERT_EQ(Shell("ip link del vamo0"), 0);
  }
  EXPECT_EQ(analysis->CheckDevices(), c.nResult);
  EXPECT_EQ(m_report.m_lines, std::vector<std::string>{std::string("\\\\.\\vamo0 : ") + c.line + "\r\n"});
  const CAdapterItem& item = *analysis->m_adapterList[0];
  EXPECT_EQ(item.m_nState, c.nState);
  EXPECT_EQ(item.m_strStatusText, c.status);
  EXPECT_EQ(item.m_bConnected, 0);
  if (c.description != nullptr) {
    EXPECT_EQ(item.m_strDescription, c.description);
  }
  EXPECT_TRUE(analysis->m_gatewayList.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Media, DeviceOutcomes,
    ::testing::Values(
        DeviceCase{"CarrierLost", "ip link set vamo0 up", false, kErrNetNoConnectedAdapter, "Not Connected.", 1,
                   "연결안됨", nullptr},
        DeviceCase{"AdministrativelyDown", "true", false, kErrNetDevice, "Not Response.", 2, "장비가 응답하지 않습니다.",
                   " (DeviceIoControl Error : 21)"},
        DeviceCase{"AdapterGone", "ip link set vamo0 up", true, kErrNetDevice, "Device Open Fail.", 2,
                   "장비에 접근할수 없습니다.", " (Device Open Fail...)"}),
    [](const ::testing::TestParamInfo<DeviceCase>& info) { return info.param.name; });

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
  Serve(true, true, true, true);
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
