#include "diagnostics/BrowserAnalysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sysinfo/KnownFolders.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/diagnostics/DiagnosticsTestSupport.h"
#include "tests/support/TempPrefix.h"

namespace {

constexpr char kIeKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
constexpr char kFirefoxKey[] = "SOFTWARE\\Mozilla\\Mozilla Firefox";
constexpr char kFirefoxMainKey[] = "SOFTWARE\\Mozilla\\Mozilla Firefox\\20.0.1 (ko)\\Main";
constexpr char kFirefoxFolder[] = "C:\\Program Files\\Mozilla Firefox";

std::string LocalAppData() { return platform::GetKnownFolder(platform::KnownFolder::kLocalAppData); }
std::string ProgramFiles() { return platform::GetKnownFolder(platform::KnownFolder::kProgramFiles); }

// Makes the Windows folder (and its parents) in the prefix.
void MakeFolder(const std::string& windowsFolder) {
  std::filesystem::create_directories(platform::ToHostPath(windowsFolder));
}

// Puts a fixture program at the Windows path.
void Install(const std::string& fixture, const std::string& windowsPath) {
  const std::string target = platform::ToHostPath(windowsPath.substr(0, windowsPath.rfind('\\')));
  std::filesystem::create_directories(target);
  const std::string name = windowsPath.substr(windowsPath.rfind('\\') + 1);
  std::filesystem::copy_file(fixture, target + "/" + name, std::filesystem::copy_options::overwrite_existing);
}

std::string Browser(const std::string& name) { return std::string(VAMO_BROWSER_FIXTURES) + "/" + name; }

void UserChrome() { Install(Browser("chrome.exe"), LocalAppData() + "\\Google\\Chrome\\Application\\chrome.exe"); }
void MachineChrome() {
  Install(Browser("chrome-machine.exe"), ProgramFiles() + "\\Google\\Chrome\\Application\\chrome.exe");
}
void Safari() { Install(Browser("Safari.exe"), ProgramFiles() + "\\Safari\\Safari.exe"); }
void Opera() { Install(Browser("opera.exe"), ProgramFiles() + "\\Opera\\opera.exe"); }
void FirefoxKeys(const std::string& strPathToExe) {
  ApplyEdit({RegEdit::kString, kFirefoxKey, "CurrentVersion", "20.0.1 (ko)"});
  ApplyEdit({RegEdit::kString, kFirefoxMainKey, "Install Directory", kFirefoxFolder});
  ApplyEdit({RegEdit::kString, kFirefoxMainKey, "PathToExe", strPathToExe});
}
void InternetExplorer() {
  ApplyEdit({RegEdit::kString, kIeKey, "Version", "9.11.9600.17041"});
  ApplyEdit({RegEdit::kString, kIeKey, "svcUpdateVersion", "11.0.9"});
  ApplyEdit({RegEdit::kString, kIeKey, "svcKBNumber", "KB2909921"});
}

struct Found {
  std::string name;
  int kind;
  std::string version;
  std::string description;
};

const Found kKeylessIe{"InternetExplorer", CBrowserItem::kInternetExplorer, "", "버전 : \r\n"};
const Found kUserChrome{"Google Chrome", CBrowserItem::kChrome, "26.0.1410.64", "버전 : 26.0.1410.64\r\nGoogle Chrome\r\n"};
const Found kMachineChrome{"Google Chrome", CBrowserItem::kChrome, "25.0.1364.172",
                           "버전 : 25.0.1364.172\r\nGoogle Chrome (machine)\r\n"};
const Found kSafari{"Safari", CBrowserItem::kSafari, "5.34.57.2", "버전 : 5.34.57.2\r\nSafari\r\n"};
const Found kOpera{"Opera Internet Browser", CBrowserItem::kOpera, "12.15.1748",
                   "버전 : 12.15.1748\r\nOpera Internet Browser\r\n"};
const Found kFirefox{"Firefox", CBrowserItem::kFirefox, "20.0.1", "버전 : 20.0.1\r\nFirefox\r\n"};

struct BrowserCase {
  const char* name;
  std::function<void()> install;
  std::vector<Found> found;  // Internet Explorer first, always
  int bOtherBrowser;
};

class BrowserAnalysisCases : public ::testing::TestWithParam<BrowserCase> {};

TEST_P(BrowserAnalysisCases, FindsTheInstalledBrowsers) {
  TempPrefix prefix;
  GetParam().install();
  CBrowserAnalysis analysis;
  analysis.m_nStepPauseMs = 0;
  CollectingReport report;
  int bOtherBrowser = 0;
  EXPECT_EQ(analysis.AnalyzeBrowsers(report, bOtherBrowser), 0);
  EXPECT_EQ(bOtherBrowser, GetParam().bOtherBrowser);

  const std::vector<Found>& found = GetParam().found;
  ASSERT_EQ(analysis.m_browserList.size(), found.size());
  std::vector<std::string> expectedLines = {"------- ANALYSIS BROWSER BEGIN -------\r\n"};
  for (size_t i = 0; i < found.size(); ++i) {
    const CBrowserItem& item = *analysis.m_browserList[i];
    EXPECT_EQ(item.m_strName, found[i].name) << i;
    EXPECT_EQ(item.m_nKind, found[i].kind) << i;
    EXPECT_EQ(item.m_strVersion, found[i].version) << i;
    EXPECT_EQ(item.m_strDescription, found[i].description) << i;
    EXPECT_EQ(item.m_nState, CBrowserItem::kStateConfirmed) << i;
    EXPECT_EQ(item.m_strStatusText, "확인됨.") << i;
    expectedLines.push_back("Browser : " + found[i].name + " (" + found[i].version + ")\r\n");
    expectedLines.push_back("Description : " + found[i].description + "\r\n");
  }
  expectedLines.push_back("------- ANALYSIS BROWSER END -------\r\n");
  EXPECT_EQ(report.m_lines, expectedLines);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, BrowserAnalysisCases,
    ::testing::Values(
        BrowserCase{"NoInternetExplorerKey", [] {}, {kKeylessIe}, 0},
        BrowserCase{"InternetExplorerWithUpdate",
                    InternetExplorer,
                    {{"InternetExplorer", CBrowserItem::kInternetExplorer, "9.11.9600.17041",
                      "버전 : 9.11.9600.17041\r\n업데이트 버전 : 11.0.9 (KB2909921)\r\n"}},
                    0},
        BrowserCase{"InternetExplorerWithoutUpdate",
                    [] { ApplyEdit({RegEdit::kString, kIeKey, "Version", "8.0.7601.17514"}); },
                    {{"InternetExplorer", CBrowserItem::kInternetExplorer, "8.0.7601.17514",
                      "버전 : 8.0.7601.17514\r\n"}},
                    0},
        BrowserCase{"ChromeOfTheUser", UserChrome, {kKeylessIe, kUserChrome}, 1},
        BrowserCase{"ChromeOfTheMachine", MachineChrome, {kKeylessIe, kMachineChrome}, 1},
        BrowserCase{"UserChromeWinsOverTheMachines",
                    [] {
                      UserChrome();
                      MachineChrome();
                    },
                    {kKeylessIe, kUserChrome},
                    1},
        // The user's Chrome folder is there without its program: the
        // machine's Chrome is not looked for.
        BrowserCase{"UserChromeFolderWithoutProgram",
                    [] {
                      MakeFolder(LocalAppData() + "\\Google\\Chrome\\Application");
                      MachineChrome();
                    },
                    {kKeylessIe},
                    0},
        BrowserCase{"ChromeWithoutVersionResource",
                    [] {
                      Install(FixtureHostPath("plain64.exe"),
                              LocalAppData() + "\\Google\\Chrome\\Application\\chrome.exe");
                    },
                    {kKeylessIe},
                    0},
        BrowserCase{"ChromeFolderHoldsAFolderNamedLikeTheProgram",
                    [] { MakeFolder(LocalAppData() + "\\Google\\Chrome\\Application\\chrome.exe"); },
                    {kKeylessIe},
                    0},
        BrowserCase{"Safari", Safari, {kKeylessIe, kSafari}, 1},
        BrowserCase{"Opera", Opera, {kKeylessIe, kOpera}, 1},
        BrowserCase{"FirefoxThroughPathToExe",
                    [] {
                      MakeFolder(kFirefoxFolder);
                      Install(Browser("firefox.exe"), std::string(kFirefoxFolder) + "\\bin\\firefox.exe");
                      FirefoxKeys(std::string(kFirefoxFolder) + "\\bin\\firefox.exe");
                    },
                    {kKeylessIe, kFirefox},
                    1},
        BrowserCase{"FirefoxThroughEmptyPathToExe",
                    [] {
                      Install(Browser("firefox.exe"), std::string(kFirefoxFolder) + "\\firefox.exe");
                      FirefoxKeys("");
                    },
                    {kKeylessIe, kFirefox},
                    1},
        BrowserCase{"FirefoxWithoutInstallDirectory",
                    [] {
                      Install(Browser("firefox.exe"), "C:\\Elsewhere\\firefox.exe");
                      FirefoxKeys("C:\\Elsewhere\\firefox.exe");
                    },
                    {kKeylessIe},
                    0},
        BrowserCase{"FirefoxProgramMissing",
                    [] {
                      MakeFolder(kFirefoxFolder);
                      FirefoxKeys("");
                    },
                    {kKeylessIe},
                    0},
        BrowserCase{"EveryBrowserInTheStepsOrder",
                    [] {
                      Install(Browser("firefox.exe"), std::string(kFirefoxFolder) + "\\firefox.exe");
                      FirefoxKeys("");
                      Opera();
                      Safari();
                      UserChrome();
                    },
                    {kKeylessIe, kUserChrome, kSafari, kOpera, kFirefox},
                    1}),
    [](const ::testing::TestParamInfo<BrowserCase>& info) { return info.param.name; });

// The flag is only ever raised here: a run that found another browser
// before keeps it.
TEST(BrowserAnalysis, NeverLowersTheOtherBrowserFlag) {
  TempPrefix prefix;
  CBrowserAnalysis analysis;
  analysis.m_nStepPauseMs = 0;
  CollectingReport report;
  int bOtherBrowser = 1;
  analysis.AnalyzeBrowsers(report, bOtherBrowser);
  EXPECT_EQ(bOtherBrowser, 1);
  ASSERT_EQ(analysis.m_browserList.size(), 1u);
  EXPECT_EQ(analysis.m_browserList[0]->m_strName, "InternetExplorer");
}

TEST(BrowserAnalysis, StepsSayWhetherTheyFoundTheirBrowser) {
  TempPrefix prefix;
  Safari();
  CBrowserAnalysis analysis;
  EXPECT_EQ(analysis.CheckInternetExplorer(), 1);
  EXPECT_EQ(analysis.CheckChrome(), 0);
  EXPECT_EQ(analysis.CheckSafari(), 1);
  EXPECT_EQ(analysis.CheckOpera(), 0);
  EXPECT_EQ(analysis.CheckFirefox(), 0);
  EXPECT_EQ(analysis.m_browserList.size(), 2u);
}

}  // namespace
