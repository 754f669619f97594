#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/NetworkSandbox.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

constexpr char kProductOptions[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr char kCurrentVersion[] = "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

struct MadeMachine {
  const char* name;
  std::vector<std::string> init;  // vamo-tool prefix init options
  std::vector<std::vector<std::string>> regAdds;
  const char* osLine;
};

class AnalyzeSystemTool : public ::testing::TestWithParam<MadeMachine> {};

// The tool alone makes the machines support staff ask about, and the system
// analysis reads them as such.
TEST_P(AnalyzeSystemTool, PrefixInitAndRegAddMakeTheMachine) {
  TempDir dir;
  const std::vector<std::string> env = {"VAMO_PREFIX=" + dir.Path() + "/p"};
  std::vector<std::string> init = {"prefix", "init"};
  init.insert(init.end(), GetParam().init.begin(), GetParam().init.end());
  ASSERT_EQ(RunTool(init, env).exitStatus, 0);
  for (const std::vector<std::string>& add : GetParam().regAdds) {
    std::vector<std::string> args = {"reg", "add"};
    args.insert(args.end(), add.begin(), add.end());
    args.push_back("/f");
    const ToolOutput output = RunTool(args, env);
    ASSERT_EQ(output.exitStatus, 0) << output.err;
  }
  const ToolOutput analysis = RunTool({"analyze", "system"}, env);
  EXPECT_EQ(analysis.exitStatus, 0);
  EXPECT_NE(analysis.out.find(std::string(GetParam().osLine) + "\n"), std::string::npos) << analysis.out;
  EXPECT_EQ(analysis.out.rfind("------- 수동설치마법사 -------\n", 0), 0u);
  EXPECT_NE(analysis.out.find("------- ANALYSIS USER END -------\nresult: 0\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, AnalyzeSystemTool,
    ::testing::Values(
        MadeMachine{"WindowsXpHome",
                    {"--windows", "5.1.2600", "--sp", "3", "--arch", "x86"},
                    {{kProductOptions, "/v", "ProductSuite", "/t", "REG_MULTI_SZ", "/d", "Personal"}},
                    "운영체제 : Microsoft Windows XP Home Edition 32비트 5.1 (빌드번호 2600)"},
        MadeMachine{"Server2003Enterprise",
                    {"--windows", "5.2.3790", "--sp", "2", "--server", "--arch", "x86"},
                    {{kProductOptions, "/v", "ProductSuite", "/t", "REG_MULTI_SZ", "/d",
                      "Enterprise\\0Terminal Server"}},
                    "운영체제 : Microsoft Windows Server 2003 Enterprise Edition 32비트 5.2 (빌드번호 3790)"},
        MadeMachine{"VistaBusiness",
                    {"--windows", "6.0.6002", "--sp", "2", "--arch", "x86"},
                    {{kCurrentVersion, "/v", "EditionID", "/d", "Business"}},
                    "운영체제 : Microsoft Windows Vista Business Edition 32비트 6.0 (빌드번호 6002)"},
        MadeMachine{"Windows7UltimateX64",
                    {},
                    {{kCurrentVersion, "/v", "EditionID", "/d", "Ultimate"}},
                    "운영체제 : Microsoft Windows 7 Ultimate Edition 64비트 6.1 (빌드번호 7601)"}),
    [](const ::testing::TestParamInfo<MadeMachine>& info) { return info.param.name; });

TEST(AnalyzeTool, BrowsersPrintTheSectionAndTheFlag) {
  TempDir dir;
  const std::vector<std::string> env = {"VAMO_PREFIX=" + dir.Path() + "/p"};
  const ToolOutput output = RunTool({"analyze", "browsers"}, env);
  EXPECT_EQ(output.exitStatus, 0);
  EXPECT_EQ(output.out,
            "------- ANALYSIS BROWSER BEGIN -------\nBrowser : InternetExplorer ()\nDescription : 버전 : \n\n"
            "------- ANALYSIS BROWSER END -------\nother browser: 0\nresult: 0\n");
  EXPECT_EQ(RunTool({"analyze"}, env).exitStatus, 2);
  EXPECT_EQ(RunTool({"analyze", "everything"}, env).exitStatus, 2);
}

// The network analysis probes gateways and name servers, so the tool runs it
// only in a network someone made for it.
TEST(AnalyzeTool, NetworkRunsOnlyInANetworkOfItsOwn) {
  TempDir dir;
  const std::vector<std::string> env = {"VAMO_PREFIX=" + dir.Path() + "/p"};
  if (!network_sandbox::Entered()) {
    const ToolOutput refused = RunTool({"analyze", "network"}, env);
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("refusing to probe this machine's own network"), std::string::npos);
  }
  if (!network_sandbox::Enter()) GTEST_SKIP() << "needs root for a network namespace";
  // No adapters and no name servers: the DNS check ends the analysis.
  network_sandbox::SetResolvConf("");
  const ToolOutput output = RunTool({"analyze", "network"}, env);
  network_sandbox::SetResolvConf("nameserver 127.0.0.1\n");
  EXPECT_EQ(output.exitStatus, 1);
  EXPECT_EQ(output.out, "DNS :  [Not Response]\nDNS :  [Not Response]\nresult: -9007\n");
  EXPECT_NE(output.err.find("status: DNS 를 검사중입니다.\n"), std::string::npos);
}

}  // namespace
