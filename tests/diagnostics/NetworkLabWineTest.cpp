// The network analysis of the Windows program (vamo-tool.exe under Wine)
// inside the lab: each outcome the lab's switches make, with the report
// lines the Linux build writes for it. Wine's network services answer from
// the client namespace they were booted in.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/deployment.h"
#include "tests/support/NetworkLab.h"
#include "tests/support/WineInLab.h"

namespace {

// Wine names an adapter by a GUID made of its interface index and "NetDev"
// in hex; the client's eth0 is the namespace's second interface.
constexpr char kWineClientDevice[] = "\\\\.\\{00000002-0000-0000-0000-4E6574446576}";

struct WineRow {
  const char* name;
  std::vector<std::string> switches;
  int nResult;
  const char* lines;  // standard output before the section (or the result)
};

const char kUpToDns[] =
    "{device} : Connected.\n"
    "Gateway IP : {gateway} [Connected]\n"
    "DNS : {dns1} [Connected]\n"
    "DNS : {dns2} [Connected]\n";

const std::vector<WineRow> kRows = {
    {"CarrierLost",
     {"carrier=off", "route=off"},
     -9007,
     "{device} : Not Connected.\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n"},
    {"NoDefaultRoute",
     {"route=off"},
     -9007,
     "{device} : Connected.\n"
     "{device} : [Gateway Not found]\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n"},
    {"GatewayIgnoresEcho",
     {"icmp=off"},
     0,
     "{device} : Connected.\n"
     "Gateway IP : {gateway} [Not Response]\n"
     "DNS : {dns1} [Connected]\n"
     "DNS : {dns2} [Connected]\n"
     "{www}:80 [Connected]\n"
     "{www}:443 [Connected]\n"
     "{pay} (HTTP/SSL) [Confirm/Confirm]\n"},
    {"NoDnsServerAnswers",
     {"dns-down=all"},
     -9007,
     "{device} : Connected.\n"
     "Gateway IP : {gateway} [Connected]\n"
     "DNS : {dns1} [Not Response]\n"
     "DNS : {dns2} [Not Response]\n"},
    {"CarrierWebHostRefusesHttp", {"www80=closed"}, -9008, "+Unable to connect to server!\n{www}:80 [Not Connected]\n"},
    {"CarrierWebHostRefusesSsl",
     {"www443=closed"},
     -9009,
     "+{www}:80 [Connected]\nUnable to connect to server!\n{www}:443 [Not Connected]\n"},
    {"PaymentServerRefusesHttp",
     {"pay80=closed"},
     -9010,
     "+{www}:80 [Connected]\n{www}:443 [Connected]\nUnable to connect to server!\n{pay} (HTTP/SSL) [Fail/Confirm]\n"},
    {"PaymentServerRefusesSsl",
     {"pay443=closed"},
     -9011,
     "+{www}:80 [Connected]\n{www}:443 [Connected]\nUnable to connect to server!\n{pay} (HTTP/SSL) [Confirm/Fail]\n"},
    {"PaymentServerRefusesBoth",
     {"pay=closed"},
     -9012,
     "+{www}:80 [Connected]\n{www}:443 [Connected]\nUnable to connect to server!\nUnable to connect to server!\n"
     "{pay} (HTTP/SSL) [Fail/Fail]\n"},
};

// A row's lines with the lab's addresses and this build's host names; a
// leading "+" stands for the lines of a network reachable up to DNS.
std::vector<std::string> Expected(const NetworkLab& lab, const WineRow& row) {
  std::string text = row.lines;
  if (text.starts_with("+")) text = kUpToDns + text.substr(1);
  const std::map<std::string, std::string> values = {
      {"device", kWineClientDevice}, {"gateway", lab.Value("gateway")}, {"dns1", lab.Value("dns1")},
      {"dns2", lab.Value("dns2")},   {"www", VAMO_CARRIER_WEB_HOST},    {"pay", VAMO_PAYMENT_SERVER_HOST}};
  for (const auto& [key, value] : values) {
    const std::string mark = "{" + key + "}";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
      text.replace(at, mark.size(), value);
    }
  }
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The program's standard output as lines without their CR LF, up to the
// section's first line.
std::vector<std::string> LinesBeforeSection(const std::string& out) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = out.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("------- ANALYSIS NETWORK BEGIN")) break;
    lines.push_back(line);
  }
  return lines;
}

TEST(NetworkAnalysisUnderWineInLab, EachOutcomeWritesTheLinuxLines) {
  VAMO_REQUIRE_LAB();
  const std::string tool = WineInLab::WindowsToolPath();
  if (tool.empty()) GTEST_SKIP() << "no vamo-tool.exe (build-win32, or VAMO_WIN32_TOOL)";
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  WineInLab wine(lab);
  ASSERT_TRUE(wine.IsReady()) << wine.Error();
  for (const WineRow& row : kRows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> switches = {"defaults"};
    switches.insert(switches.end(), row.switches.begin(), row.switches.end());
    ASSERT_TRUE(lab.Set(switches)) << lab.Error();
    const ToolOutput got = wine.Run({tool, "analyze", "network"});
    EXPECT_EQ(got.exitStatus, row.nResult == 0 ? 0 : 1) << got.err;
    std::vector<std::string> expected = Expected(lab, row);
    if (row.nResult != 0) expected.push_back("result: " + std::to_string(row.nResult));
    EXPECT_EQ(LinesBeforeSection(got.out), expected);
    if (row.nResult == 0) {
      EXPECT_TRUE(got.out.ends_with("------- ANALYSIS NETWORK END -------\r\nresult: 0\r\n")) << got.out;
    }
  }
}

// Outside the lab's namespace the same prefix, marker and all, may not
// probe: the address the marker names is not this machine's.
TEST(NetworkAnalysisUnderWineInLab, TheMarkerDoesNotCarryOutOfTheLab) {
  VAMO_REQUIRE_LAB();
  const std::string tool = WineInLab::WindowsToolPath();
  if (tool.empty()) GTEST_SKIP() << "no vamo-tool.exe (build-win32, or VAMO_WIN32_TOOL)";
  NetworkLab lab;
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  const ToolOutput got = RunProgram(VAMO_WINE_RUN, {tool, "analyze", "network"},
                                    {"VAMO_WINE_LAB_ADDRESS=" + lab.Value("client_addr")});
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_EQ(got.out, "");
  EXPECT_NE(got.err.find("refusing to probe this machine's own network"), std::string::npos) << got.err;
}

}  // namespace
