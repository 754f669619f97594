// The network analysis and the echo probe against real servers: the PC is the
// lab's client namespace (tools/lab), the gateway is the kernel of the lab's
// server namespace, the DNS servers are dnsmasq and the web hosts nginx. The
// outer test brings a lab up and turns its fault switches; the analysis runs
// in this program started again inside the client
// (NetworkLab::RunCurrentTestInside), or as `vamo-tool analyze network`.
// One lab serves all the rows of a table: `set defaults` and the row's
// switches between them.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/NetworkAnalysis.h"
#include "diagnostics/NetworkCodes.h"
#include "diagnostics/Probes.h"
#include "resources/deployment.h"
#include "tests/diagnostics/DiagnosticsTestSupport.h"
#include "tests/support/NetworkLab.h"
#include "tests/support/TempPrefix.h"

namespace {

using Status = std::map<std::string, std::string>;

constexpr char kCarrier[] = VAMO_CARRIER_WEB_HOST;
constexpr char kPayment[] = VAMO_PAYMENT_SERVER_HOST;
// What the whole-section test names the client's adapter, as a network
// card's product name would read.
constexpr char kAdapterAlias[] = "Vamo Lab Ethernet Adapter";
// Which row of a table the inner run plays.
constexpr char kRowVariable[] = "VAMO_LAB_ROW";

// "02:76:6c:00:00:02" as the report writes a hardware address.
std::string MacText(std::string text) {
  for (char& c : text) c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The computer's host name as the network parameters report it.
std::string HostName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const std::string name(host);
  return name.substr(0, name.find('.'));
}

// Replaces every {key} by the lab's status value of that key, or by host,
// www, pay, alias (the client adapter's description) and mac or mac2 (the
// two client adapters' hardware addresses).
std::string Expand(const Status& lab, std::string text) {
  Status values = lab;
  values["host"] = HostName();
  values["www"] = kCarrier;
  values["pay"] = kPayment;
  values["alias"] = kAdapterAlias;
  values["mac"] = MacText(lab.count("client_mac") ? lab.at("client_mac") : "");
  values["mac2"] = MacText(lab.count("second_mac") ? lab.at("second_mac") : "");
  size_t open = 0;
  while ((open = text.find('{', open)) != std::string::npos) {
    const size_t close = text.find('}', open);
    const auto it = values.find(text.substr(open + 1, close - open - 1));
    const std::string value = it == values.end() ? "{unknown key}" : it->second;
    text.replace(open, close - open + 1, value);
    open += value.size();
  }
  return text;
}

// Every "\n" of a template as the CR LF the report writes.
std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::vector<std::string> SplitLines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size()) {
    lines.push_back(text.substr(start, at - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start) + "(no line end)");
  return lines;
}

// The report as lines ending in CR LF, against a template of lines ending
// in "\n": line for line, so a difference shows where it is.
std::vector<std::string> ReportLines(const CollectingReport& report) { return SplitLines(report.Text(), "\r\n"); }
std::vector<std::string> TemplateLines(const Status& lab, const std::string& text) {
  return SplitLines(Expand(lab, text), "\n");
}

// The report lines before the network section.
std::vector<std::string> LinesBeforeSection(const CollectingReport& report) {
  std::vector<std::string> lines = ReportLines(report);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("------- ANALYSIS NETWORK")) return {lines.begin(), lines.begin() + i};
  }
  return lines;
}

bool HasSection(const CollectingReport& report) {
  return report.LineStartingWith("------- ANALYSIS NETWORK BEGIN -------\r\n") != "(none)" &&
         report.m_lines.back() == "------- ANALYSIS NETWORK END -------\r\n";
}

// The status of the lab this inner run is in, read once.
const Status& InsideStatus() {
  static const Status s_status = NetworkLab::StatusOf(std::getenv("VAMO_LAB"));
  return s_status;
}

size_t InsideRow() {
  const char* row = std::getenv(kRowVariable);
  return row == nullptr ? 0 : std::stoul(row);
}

std::vector<std::string> WithDefaults(const std::vector<std::string>& switches) {
  std::vector<std::string> all = {"defaults"};
  all.insert(all.end(), switches.begin(), switches.end());
  return all;
}

// The outer half of a table test: for each row, the lab's switches as the
// row says (on top of the defaults), then the test's inner half inside the
// client, which finds its row through InsideRow().
template <typename Row>
void RunRowsInside(NetworkLab& lab, const std::vector<Row>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    ASSERT_TRUE(lab.Set(WithDefaults(rows[i].switches))) << lab.Error();
    EXPECT_TRUE(lab.RunCurrentTestInside({std::string(kRowVariable) + "=" + std::to_string(i)}));
  }
}

// One analysis as the wizard runs it, without the pauses between steps.
struct LabAnalysis {
  LabAnalysis() { analysis.m_nStepPauseMs = 0; }
  CollectingReport report;
  CollectingStatus status;
  CNetworkAnalysis analysis{report, status, kCarrier, kPayment};
};

// A lab made with this build's host names, or a failed test (a server that
// did not start is a message, never a wait).
#define ASSERT_LAB_UP(lab)                        \
  do {                                            \
    ASSERT_TRUE((lab).IsUp()) << (lab).Error();   \
    ASSERT_EQ((lab).Value("www_host"), kCarrier); \
    ASSERT_EQ((lab).Value("pay_host"), kPayment); \
  } while (0)

const std::vector<std::string> kAllStatusTexts = {"시스템의 네트워크 정보를 가져오고 있습니다.",
                                                  "네트워크 장치 정보를 가져오고 있습니다.",
                                                  "네트워크 장치를 검사중입니다.",
                                                  "게이트웨이와 통신이 정상인지 테스트하고 있습니다.",
                                                  "DNS 를 검사중입니다.",
                                                  "인터넷 통신을 점검중 입니다.",
                                                  "인터넷 보안채널 통신을 점검중 입니다.",
                                                  "케보 서버와 통신을 점검중입니다."};

// A healthy lab with a second adapter that has no carrier, as the report
// shows it.
constexpr char kHealthyReport[] =
    "\\\\.\\eth0 : Connected.\n"
    "\\\\.\\eth1 : Not Connected.\n"
    "Gateway IP : {gateway} [Connected]\n"
    "DNS : {dns1} [Connected]\n"
    "DNS : {dns2} [Connected]\n"
    "{www}:80 [Connected]\n"
    "{www}:443 [Connected]\n"
    "{pay} (HTTP/SSL) [Confirm/Confirm]\n"
    "------- ANALYSIS NETWORK BEGIN -------\n"
    "호스트 : {host}\n"
    "설명 : DNS Server : {dns1}\n"
    "DNS Server : {dns2}\n"
    "Node Type : \n"
    "\n"
    "Device : {alias}\n"
    "Adapter : eth0\n"
    "Description : Mac Address : {mac}\n"
    "\n"
    "IP Address : {client_addr}\n"
    "Subnet Mask : 255.255.255.252\n"
    "Default Gateway : {gateway}\n"
    "\n"
    "Device : eth1\n"
    "Adapter : eth1\n"
    "Description : Mac Address : {mac2}\n"
    "\n"
    "IP Address : {second_addr}\n"
    "Subnet Mask : 255.255.255.252\n"
    "Default Gateway : 0.0.0.0\n"
    "\n"
    "Gateway : {gateway}\n"
    "Description : {alias}\n"
    "{client_addr}\n"
    "{gateway}\n"
    "\n"
    "DNS : {dns1_host}\n"
    "Description : Host Name : {dns1_host}\n"
    "IP Address : {dns1}\n"
    "\n"
    "DNS : {dns2_host}\n"
    "Description : Host Name : {dns2_host}\n"
    "IP Address : {dns2}\n"
    "\n"
    "Internet : \n"
    "Description : {www} : 정상\n"
    "{www} (SSL) : 정상\n"
    "{pay} : 정상\n"
    "{pay} (SSL) : 정상\n"
    "\n"
    "------- ANALYSIS NETWORK END -------\n";

// The start of the report when the PC, its gateway and both DNS servers are
// fine.
constexpr char kReachableUpToDns[] =
    "\\\\.\\eth0 : Connected.\n"
    "Gateway IP : {gateway} [Connected]\n"
    "DNS : {dns1} [Connected]\n"
    "DNS : {dns2} [Connected]\n";

// What the tool prints after kReachableUpToDns when the payment server
// refuses both ports.
constexpr char kToolPaymentRefused[] =
    "{www}:80 [Connected]\n"
    "{www}:443 [Connected]\n"
    "Unable to connect to server!\n"
    "Unable to connect to server!\n"
    "{pay} (HTTP/SSL) [Fail/Fail]\n"
    "result: -9012\n";

// ---------------------------------------------------------------------------

TEST(NetworkAnalysisInLab, HealthyNetworkWritesTheWholeSection) {
  if (NetworkLab::InsideLab()) {
    TempPrefix prefix;
    LabAnalysis run;
    ASSERT_EQ(run.analysis.AnalyzeNetwork(), 0);
    EXPECT_EQ(ReportLines(run.report), TemplateLines(InsideStatus(), kHealthyReport));
    EXPECT_EQ(run.status.m_texts, kAllStatusTexts);

    const CNetworkAnalysis& a = run.analysis;
    EXPECT_EQ(a.m_netParamsItem.m_nState, CCheckItem::kStateConfirmed);
    EXPECT_EQ(a.m_netParamsItem.m_strStatusText, "확인됨.");
    EXPECT_EQ(a.m_netParamsItem.m_strName, HostName());
    ASSERT_EQ(a.m_adapterList.size(), 2u);
    const CAdapterItem& eth0 = *a.m_adapterList[0];
    EXPECT_EQ(eth0.m_strDevicePath, "\\\\.\\eth0");
    EXPECT_EQ(eth0.m_strType, "ETHERNET");
    EXPECT_EQ(eth0.m_bConnected, 1);
    EXPECT_EQ(eth0.m_nState, CCheckItem::kStateConfirmed);
    EXPECT_EQ(eth0.m_strStatusText, "연결됨");
    // No DHCP client leased these addresses: no lease facts, not 1970.
    EXPECT_EQ(eth0.m_bDhcpEnabled, 0);
    EXPECT_EQ(eth0.m_strLeaseObtained, "");
    const CAdapterItem& eth1 = *a.m_adapterList[1];
    EXPECT_EQ(eth1.m_bConnected, 0);
    EXPECT_EQ(eth1.m_nState, CCheckItem::kStateDegraded);
    EXPECT_EQ(eth1.m_strStatusText, "연결안됨");
    ASSERT_EQ(a.m_gatewayList.size(), 1u);
    EXPECT_EQ(a.m_gatewayList[0]->m_strSourceAddress, InsideStatus().at("client_addr"));
    EXPECT_EQ(a.m_gatewayList[0]->m_nState, CCheckItem::kStateConfirmed);
    EXPECT_EQ(a.m_gatewayList[0]->m_strStatusText, "확인됨.");
    ASSERT_EQ(a.m_dnsList.size(), 2u);
    for (const auto& pDns : a.m_dnsList) {
      EXPECT_EQ(pDns->m_nState, CCheckItem::kStateConfirmed) << pDns->m_strAddress;
      EXPECT_EQ(pDns->m_strStatusText, "확인됨.");
    }
    EXPECT_EQ(a.m_dnsList[1]->m_strHostName, InsideStatus().at("dns2_host"));
    EXPECT_EQ(a.m_internetItem.m_strName, "");
    EXPECT_EQ(a.m_internetItem.m_nState, CCheckItem::kStateConfirmed);
    EXPECT_EQ(a.m_internetItem.m_strStatusText, "확인됨.");
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLabOptions options;
  options.bSecondAdapter = true;
  NetworkLab lab(options);
  ASSERT_LAB_UP(lab);
  ToolOutput alias =
      NetworkLab::RunLabTool({"exec", lab.Name(), "--root", "--", "ip", "link", "set", "eth0", "alias", kAdapterAlias});
  ASSERT_EQ(alias.exitStatus, 0) << alias.err;
  EXPECT_TRUE(lab.RunCurrentTestInside());

  // The same through the tool, with the wizard's pauses: the report lines
  // on standard output, the status texts on standard error.
  const Status status = NetworkLab::StatusOf(lab.Name());
  const ToolOutput tool = lab.Run({VAMO_TOOL_PATH, "analyze", "network"});
  EXPECT_EQ(tool.exitStatus, 0) << tool.err;
  EXPECT_EQ(SplitLines(tool.out, "\n"), TemplateLines(status, std::string(kHealthyReport) + "result: 0\n"));
  std::string statusLines;
  for (const std::string& text : kAllStatusTexts) statusLines += "status: " + text + "\n";
  EXPECT_EQ(tool.err, statusLines);
}

// The steps of the first group: whatever they find, the analysis goes on to
// the DNS test. Without a way off the link the DNS probes fail at once
// instead of waiting out their 3 s, and -9007 ends the run.
struct FirstGroupRow {
  const char* name;
  std::vector<std::string> switches;
  int nDevices;        // CheckDevices
  int nGateways;       // CheckGateways
  int nResult;         // AnalyzeNetwork
  const char* report;  // the lines before the section
  int nAdapterState;
  const char* adapterStatus;
  const char* adapterDescription;  // nullptr: the one the listing made
  const char* gatewayStatus;       // nullptr: no gateway item
};

const std::vector<FirstGroupRow> kFirstGroupRows = {
    {"CarrierLost",
     {"carrier=off", "route=off"},
     kErrNetNoConnectedAdapter,
     kErrNetNoGateway,
     kErrNetDns,
     "\\\\.\\eth0 : Not Connected.\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateDegraded,
     "연결안됨",
     nullptr,
     nullptr},
    {"NeitherAdapterHasCarrier",
     {"carrier=off", "route=off", "second=on"},
     kErrNetNoConnectedAdapter,
     kErrNetNoGateway,
     kErrNetDns,
     "\\\\.\\eth0 : Not Connected.\n"
     "\\\\.\\eth1 : Not Connected.\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateDegraded,
     "연결안됨",
     nullptr,
     nullptr},
    {"AdapterDown",
     {"adapter=down"},
     kErrNetDevice,
     kErrNetNoGateway,
     kErrNetDns,
     "\\\\.\\eth0 : Not Response.\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateFailed,
     "장비가 응답하지 않습니다.",
     " (DeviceIoControl Error : 21)",
     nullptr},
    {"AdapterDownBesideOneWithoutCarrier",
     {"adapter=down", "second=on"},
     kErrNetDevice,
     kErrNetNoGateway,
     kErrNetDns,
     "\\\\.\\eth0 : Not Response.\n"
     "\\\\.\\eth1 : Not Connected.\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateFailed,
     "장비가 응답하지 않습니다.",
     " (DeviceIoControl Error : 21)",
     nullptr},
    {"NoDefaultRoute",
     {"route=off"},
     0,
     kErrNetNoGateway,
     kErrNetDns,
     "\\\\.\\eth0 : Connected.\n"
     "\\\\.\\eth0 : [Gateway Not found]\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateConfirmed,
     "연결됨",
     nullptr,
     nullptr},
    // A gateway that ignores echo requests, on a network that works.
    {"GatewayIgnoresEcho",
     {"icmp=off"},
     0,
     kErrNetNoGateway,
     0,
     "\\\\.\\eth0 : Connected.\n"
     "Gateway IP : {gateway} [Not Response]\n"
     "DNS : {dns1} [Connected]\n"
     "DNS : {dns2} [Connected]\n"
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Confirm/Confirm]\n",
     CCheckItem::kStateConfirmed,
     "연결됨",
     nullptr,
     "게이트웨이가 응답하지 않습니다."},
};

TEST(NetworkAnalysisInLab, FirstGroupOutcomesDoNotStopTheAnalysis) {
  if (NetworkLab::InsideLab()) {
    const FirstGroupRow& row = kFirstGroupRows.at(InsideRow());
    TempPrefix prefix;
    LabAnalysis steps;
    EXPECT_EQ(steps.analysis.CheckNetworkParams(), 0);
    EXPECT_EQ(steps.analysis.CheckAdapters(), 0);
    EXPECT_EQ(steps.analysis.CheckDevices(), row.nDevices);
    EXPECT_EQ(steps.analysis.CheckGateways(), row.nGateways);

    LabAnalysis run;
    EXPECT_EQ(run.analysis.AnalyzeNetwork(), row.nResult);
    EXPECT_EQ(LinesBeforeSection(run.report), TemplateLines(InsideStatus(), row.report));
    EXPECT_EQ(HasSection(run.report), row.nResult == 0);
    // Stopped by the DNS test, or ran to the end.
    const size_t nSteps = row.nResult == kErrNetDns ? 5 : 8;
    EXPECT_EQ(run.status.m_texts, std::vector<std::string>(kAllStatusTexts.begin(), kAllStatusTexts.begin() + nSteps));
    const CNetworkAnalysis& a = run.analysis;
    ASSERT_FALSE(a.m_adapterList.empty());
    const CAdapterItem& eth0 = *a.m_adapterList[0];
    EXPECT_EQ(eth0.m_nState, row.nAdapterState);
    EXPECT_EQ(eth0.m_strStatusText, row.adapterStatus);
    EXPECT_EQ(eth0.m_bConnected, row.nAdapterState == CCheckItem::kStateConfirmed ? 1 : 0);
    if (row.adapterDescription != nullptr) {
      EXPECT_EQ(eth0.m_strDescription, row.adapterDescription);
    }
    if (row.gatewayStatus == nullptr) {
      EXPECT_TRUE(a.m_gatewayList.empty());
    } else {
      ASSERT_EQ(a.m_gatewayList.size(), 1u);
      EXPECT_EQ(a.m_gatewayList[0]->m_nState, CCheckItem::kStateFailed);
      EXPECT_EQ(a.m_gatewayList[0]->m_strStatusText, row.gatewayStatus);
    }
    // Both DNS items exist whatever the devices said.
    EXPECT_EQ(a.m_dnsList.size(), 2u);
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_LAB_UP(lab);
  RunRowsInside(lab, kFirstGroupRows);
}

// The reachability steps: the first that fails ends the analysis with its
// code, and the report has no section. The payment server's two channels
// are always both tried and reported.
struct ReachabilityRow {
  const char* name;
  std::vector<std::string> switches;
  int nResult;
  const char* report;  // the lines before the section
  int nInternetState;
  const char* internetStatus;
  const char* internetDescription;
};

const std::vector<ReachabilityRow> kReachabilityRows = {
    {"NoDnsServerAnswers",
     {"dns-down=all"},
     kErrNetDns,
     "\\\\.\\eth0 : Connected.\n"
     "Gateway IP : {gateway} [Connected]\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n",
     CCheckItem::kStateNotTested,
     "",
     ""},
    {"CarrierWebHostRefusesHttp",
     {"www80=closed"},
     kErrNetInternetHttp,
     "{www}:80 [Not Connected]\n",
     CCheckItem::kStateNotTested,
     "",
     "{www} : 접속불가\n"},
    {"CarrierWebHostRefusesSsl",
     {"www443=closed"},
     kErrNetInternetSsl,
     "{www}:80 [Connected]\n"
     "{www}:443 [Not Connected]\n",
     CCheckItem::kStateNotTested,
     "",
     "{www} : 정상\n{www} (SSL) : 접속불가\n"},
    {"PaymentServerBothChannels",
     {},
     0,
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Confirm/Confirm]\n",
     CCheckItem::kStateConfirmed,
     "확인됨.",
     "{www} : 정상\n{www} (SSL) : 정상\n{pay} : 정상\n{pay} (SSL) : 정상\n"},
    {"PaymentServerRefusesHttp",
     {"pay80=closed"},
     kErrNetServerHttp,
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Fail/Confirm]\n",
     CCheckItem::kStateDegraded,
     "HTTP 서버와의 접속이 불가합니다.",
     "{www} : 정상\n{www} (SSL) : 정상\n{pay} : 접속불가\n{pay} (SSL) : 정상\n"},
    {"PaymentServerRefusesSsl",
     {"pay443=closed"},
     kErrNetServerSsl,
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Confirm/Fail]\n",
     CCheckItem::kStateDegraded,
     "보안 채널 서버와의 접속이 불가합니다.",
     "{www} : 정상\n{www} (SSL) : 정상\n{pay} : 정상\n{pay} (SSL) : 접속불가\n"},
    {"PaymentServerRefusesBoth",
     {"pay=closed"},
     kErrNetServerHttpSsl,
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Fail/Fail]\n",
     CCheckItem::kStateFailed,
     "케보 서버와 접속이 되지 않습니다.",
     "{www} : 정상\n{www} (SSL) : 정상\n{pay} : 접속불가\n{pay} (SSL) : 접속불가\n"},
};

TEST(NetworkAnalysisInLab, ReachabilityOutcomesEndTheAnalysisWithTheirCodes) {
  if (NetworkLab::InsideLab()) {
    const ReachabilityRow& row = kReachabilityRows.at(InsideRow());
    TempPrefix prefix;
    LabAnalysis run;
    EXPECT_EQ(run.analysis.AnalyzeNetwork(), row.nResult);
    // Rows past the DNS test start as a reachable network does.
    const std::string report = row.nResult == kErrNetDns ? row.report : std::string(kReachableUpToDns) + row.report;
    EXPECT_EQ(LinesBeforeSection(run.report), TemplateLines(InsideStatus(), report));
    EXPECT_EQ(HasSection(run.report), row.nResult == 0);
    const CInternetItem& internet = run.analysis.m_internetItem;
    EXPECT_EQ(internet.m_nState, row.nInternetState);
    EXPECT_EQ(internet.m_strStatusText, row.internetStatus);
    EXPECT_EQ(internet.m_strDescription, Crlf(Expand(InsideStatus(), row.internetDescription)));
    if (row.nResult == kErrNetDns) {
      for (const auto& pDns : run.analysis.m_dnsList) {
        EXPECT_EQ(pDns->m_nState, CCheckItem::kStateFailed);
        EXPECT_EQ(pDns->m_strStatusText, "DNS 서버가 응답하지 않습니다.");
      }
    }
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_LAB_UP(lab);
  RunRowsInside(lab, kReachabilityRows);

  // The tool ends with the code and a failing exit status; the probe's own
  // line for each refused connect comes before the report line.
  const ToolOutput tool = lab.Run({VAMO_TOOL_PATH, "analyze", "network"});
  EXPECT_EQ(tool.exitStatus, 1);
  EXPECT_EQ(SplitLines(tool.out, "\n"),
            TemplateLines(NetworkLab::StatusOf(lab.Name()), std::string(kReachableUpToDns) + kToolPaymentRefused));
}

// A PC with one DNS server still gets two DNS items, the second empty, and
// one answering server is enough. With three, the second item is the third
// server: the one in the middle is never asked (it is silent here, and the
// analysis does not wait for it). A silent second server fails alone.
struct DnsRow {
  const char* name;
  std::vector<std::string> switches;
  const char* paramsDescription;
  const char* report;   // the DNS lines
  const char* section;  // the DNS items in the section
  int nSecondState;
  const char* secondStatus;
};

const std::vector<DnsRow> kDnsRows = {
    {"OneServer",
     {"dns=1"},
     "DNS Server : {dns1}\nDNS Server : \nNode Type : \n",
     "DNS : {dns1} [Connected]\n"
     "DNS :  [Not Response]\n",
     "DNS : {dns1_host}\n"
     "Description : Host Name : {dns1_host}\n"
     "IP Address : {dns1}\n"
     "\n"
     "DNS : \n"
     "Description : IP Address : \n"
     "\n",
     CCheckItem::kStateFailed,
     "DNS 서버가 응답하지 않습니다."},
    {"ThreeServers",
     {"dns=3", "dns-down=2"},
     "DNS Server : {dns1}\nDNS Server : {dns3}\nNode Type : \n",
     "DNS : {dns1} [Connected]\n"
     "DNS : {dns3} [Connected]\n",
     "DNS : {dns1_host}\n"
     "Description : Host Name : {dns1_host}\n"
     "IP Address : {dns1}\n"
     "\n"
     "DNS : {dns3_host}\n"
     "Description : Host Name : {dns3_host}\n"
     "IP Address : {dns3}\n"
     "\n",
     CCheckItem::kStateConfirmed,
     "확인됨."},
    {"SecondServerSilent",
     {"dns-down=2"},
     "DNS Server : {dns1}\nDNS Server : {dns2}\nNode Type : \n",
     "DNS : {dns1} [Connected]\n"
     "DNS : {dns2} [Not Response]\n",
     "DNS : {dns1_host}\n"
     "Description : Host Name : {dns1_host}\n"
     "IP Address : {dns1}\n"
     "\n"
     "DNS : {dns2_host}\n"
     "Description : Host Name : {dns2_host}\n"
     "IP Address : {dns2}\n"
     "\n",
     CCheckItem::kStateFailed,
     "DNS 서버가 응답하지 않습니다."},
};

// The lines of the report that start with "DNS : " and the section's DNS
// items with their descriptions.
std::vector<std::string> DnsLines(const CollectingReport& report, bool bSection) {
  std::vector<std::string> picked;
  const std::vector<std::string> lines = ReportLines(report);
  bool bInSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].starts_with("------- ANALYSIS NETWORK BEGIN")) bInSection = true;
    if (bInSection != bSection || !lines[i].starts_with("DNS : ")) continue;
    picked.push_back(lines[i]);
    // In the section, the description runs to its empty line.
    for (size_t j = i + 1; bSection && j < lines.size(); ++j) {
      picked.push_back(lines[j]);
      if (lines[j].empty()) break;
    }
  }
  return picked;
}

TEST(NetworkAnalysisInLab, OneTwoOrThreeDnsServers) {
  if (NetworkLab::InsideLab()) {
    const DnsRow& row = kDnsRows.at(InsideRow());
    const Status& lab = InsideStatus();
    TempPrefix prefix;
    LabAnalysis run;
    EXPECT_EQ(run.analysis.AnalyzeNetwork(), 0);
    EXPECT_EQ(run.analysis.m_netParamsItem.m_strDescription, Crlf(Expand(lab, row.paramsDescription)));
    EXPECT_EQ(DnsLines(run.report, false), TemplateLines(lab, row.report));
    EXPECT_EQ(DnsLines(run.report, true), TemplateLines(lab, row.section));
    ASSERT_EQ(run.analysis.m_dnsList.size(), 2u);
    EXPECT_EQ(run.analysis.m_dnsList[1]->m_nState, row.nSecondState);
    EXPECT_EQ(run.analysis.m_dnsList[1]->m_strStatusText, row.secondStatus);
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_LAB_UP(lab);
  RunRowsInside(lab, kDnsRows);
}

// ---------------------------------------------------------------------------

// The echo counters of the lab's server namespace (the gateway's kernel),
// read through a process that lives there.
std::map<std::string, long> GatewayEchoCounters(const NetworkLab& lab) {
  std::istringstream snmp(ReadHostFile("/proc/" + lab.Value("dnsmasq_pid") + "/net/snmp"));
  std::map<std::string, long> counters;
  std::string names;
  std::string values;
  while (std::getline(snmp, names) && std::getline(snmp, values)) {
    if (!names.starts_with("IcmpMsg:")) continue;
    std::istringstream n(names.substr(8));
    std::istringstream v(values.substr(8));
    std::string name;
    long value = 0;
    while (n >> name && v >> value) counters[name] = value;
  }
  return counters;
}

// The gateway's kernel answers the probe, with and without a source address;
// one that ignores echo requests gets them and answers none, and the probe
// fails once its wait is over. Each probe sends exactly one request.
TEST(PingHostInLab, GatewayAnswersUnlessItIgnoresEcho) {
  if (NetworkLab::InsideLab()) {
    const int nExpected = std::string(std::getenv("VAMO_EXPECT_ECHO_REPLY")) == "1" ? 0 : -1;
    const Status& lab = InsideStatus();
    EXPECT_EQ(PingHost(lab.at("client_addr").c_str(), lab.at("gateway").c_str()), nExpected);
    EXPECT_EQ(PingHost(nullptr, lab.at("gateway").c_str()), nExpected);
    return;
  }
  VAMO_REQUIRE_LAB();
  NetworkLab lab;
  ASSERT_LAB_UP(lab);
  for (const bool bIgnore : {false, true}) {
    SCOPED_TRACE(bIgnore ? "icmp=off" : "icmp=on");
    ASSERT_TRUE(lab.Set({bIgnore ? "icmp=off" : "icmp=on"})) << lab.Error();
    std::map<std::string, long> before = GatewayEchoCounters(lab);
    EXPECT_TRUE(lab.RunCurrentTestInside({std::string("VAMO_EXPECT_ECHO_REPLY=") + (bIgnore ? "0" : "1")}));
    std::map<std::string, long> after = GatewayEchoCounters(lab);
    EXPECT_EQ(after["InType8"] - before["InType8"], 2);
    EXPECT_EQ(after["OutType0"] - before["OutType0"], bIgnore ? 0 : 2);
  }
}

}  // namespace
