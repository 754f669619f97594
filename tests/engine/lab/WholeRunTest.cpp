// Whole repair runs inside the network lab: the run object with its three
// analyses and the install, against the lab's real update host.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ErrorCodes.h"
#include "engine/SetupMessages.h"
#include "engine/SetupRun.h"
#include "platform/profile/Profile.h"
#include "platform/sysinfo/KnownFolders.h"
#include "system/RegistryWriter.h"
#include "system/SetupFolders.h"
#include "tests/engine/InstallTestSupport.h"
#include "tests/engine/lab/LabRunSupport.h"
#include "tests/support/PrivateProcesses.h"
#include "tests/support/ToolRunner.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator[] = "---------------------------------------------\r\n";

std::string Installed(const std::string& section, const std::string& key) {
  return platform::profile::GetString(platform::profile::Source::File(CSetupFolders::InstalledVersionFile()), section,
                                      key);
}

std::vector<std::string> InstalledSections() {
  return platform::profile::SplitNulList(platform::profile::GetSectionNames(
      platform::profile::Source::File(CSetupFolders::InstalledVersionFile()), 65536));
}

// The index of the one line equal to `line`; -1 when it is missing or there
// twice.
int IndexOfOnly(const std::vector<std::string>& lines, const std::string& line) {
  auto first = std::find(lines.begin(), lines.end(), line);
  if (first == lines.end() || std::find(first + 1, lines.end(), line) != lines.end()) return -1;
  return static_cast<int>(first - lines.begin());
}

class WholeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Inside()) {
      ASSERT_TRUE(HasPrivateProcesses()) << "the inner half needs process namespaces of its own";
      return;
    }
    VAMO_REQUIRE_LAB();
    // The inner half makes process namespaces, and `lab exec` runs it as the
    // caller: with sudo alone it could not.
    if (geteuid() != 0) GTEST_SKIP() << "whole runs need root (the lab's client runs as the caller)";
    if (!ResourceKeyIsDemoKey()) GTEST_SKIP() << "this build embeds another update-list key than the demo key";
  }
  static bool Inside() { return NetworkLab::InsideLab(); }

  CLabSite site;
};

// ------------------------------------------------------- the demo release

TEST_F(WholeRunTest, TheDemoReleaseInstallsEveryItemKind) {
  if (!Inside()) return RunInsideLab(std::string(VAMO_DEMO_RELEASE) + "/site");

  TempPrefix prefix;
  ToolOutput made = RunProgram(
      "/bin/bash", {VAMO_DEMO_PREFIX_MAKER, prefix.Root(), VAMO_DEMO_RELEASE, VAMO_BROWSER_FIXTURES, VAMO_TOOL_PATH});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  TrustTestCertificates();
  platform::gui::MessageQueue window;
  CSetupRun run(&window, TestRunOptions());
  CRunEnd end = RunToEnd(run, window);
  ASSERT_TRUE(end.Completed()) << run.m_setupReport.TextUtf8();

  // The messages: each phase's work, its status text and its phase; the
  // network analysis shows each of its eight checks; the items' count line
  // only in the install phase; one completion.
  std::vector<uint32_t> phases;
  std::vector<uint32_t> beforeInstall;
  int nPhases = 0;
  for (uint32_t message : end.messages) {
    if (message == WM_SETUP_COUNT) {
      EXPECT_EQ(nPhases, 3) << "the count line belongs to the install phase";
      continue;
    }
    phases.push_back(message);
    if (message == WM_SETUP_PHASE) ++nPhases;
  }
  const uint32_t S = WM_SETUP_STATUS, P = WM_SETUP_PHASE;
  EXPECT_EQ(phases, (std::vector<uint32_t>{S, P, S, S, S, S, S, S, S, S, S, P, S, P, S, P, WM_SETUP_COMPLETE}));
  EXPECT_GT(end.Count(WM_SETUP_COUNT), 9);
  CSetupState last = run.TakeSnapshot();
  EXPECT_EQ(PhaseNumber(last.m_nPhase), 4);
  EXPECT_EQ(last.m_strStatus, CSetupDriver::kPhaseStatusText[3]);
  EXPECT_EQ(last.m_strCountText, "(9/9)");
  EXPECT_EQ(run.m_bOtherBrowser, 1);

  // The report: the four sections in order, each once.
  std::vector<std::string> lines = ReportLines(run.m_setupReport);
  std::vector<int> markers;
  for (const char* marker :
       {"ANALYSIS USER BEGIN", "ANALYSIS USER END", "ANALYSIS NETWORK BEGIN", "ANALYSIS NETWORK END",
        "ANALYSIS BROWSER BEGIN", "ANALYSIS BROWSER END", "INSTALL BEGIN", "INSTALL END"}) {
    markers.push_back(IndexOfOnly(lines, std::string("------- ") + marker + " -------\r\n"));
    EXPECT_GE(markers.back(), 0) << marker;
  }
  EXPECT_TRUE(std::is_sorted(markers.begin(), markers.end()));
  EXPECT_EQ(lines.front(), "------- 수동설치마법사 -------\r\n");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Browser : Firefox (20.0.1)\r\n"), lines.end());
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Gateway IP : " + NetworkLab::InsideValue("gateway") + " [Connected]\r\n"),
      lines.end());

  // The install section, line for line.
  const std::vector<std::string> download = {"--FileDownload Start\r\n",
                                             "--FileDownload Server [" + UpdateServerText() + "]\r\n",
                                             "--FileDownload End.\r\n", "-다운로드완료\r\n"};
  auto item = [&](const std::string& name, std::vector<std::string> steps, bool bDownload = true) {
    std::vector<std::string> out = {kSeparator, "파일 : " + name + "\r\n"};
    if (name.ends_with(".cab")) out.push_back("-캐비넷설치\r\n");
    if (bDownload) out.insert(out.end(), download.begin(), download.end());
    out.insert(out.end(), steps.begin(), steps.end());
    return out;
  };
  std::vector<std::string> expected = {"------- INSTALL BEGIN -------\r\n",
                                       "Updatelist File URL [" + CLabSite::ListUrl() + "]\r\n",
                                       "Updatelist Verify Complete\r\n"};
  for (const auto& part :
       {item("VamoPlugin.dll", {"-검증완료\r\n", "-복사완료\r\n", "-등록완료\r\n"}),
        item("VamoAgent.exe", {"-검증완료\r\n", "-복사완료\r\n", "-실행완료\r\n"}),
        item("VamoHelp.txt", {"-검증완료\r\n", "-복사완료\r\n"}),
        item("VamoCtl.cab", {"-캐비넷 코드사인 검증완료\r\n", "-설치완료\r\n"}),
        item("VamoPlugin.Path", {"-등록완료\r\n"}, false), item("VamoPlugin.Folder", {"-등록완료\r\n"}, false),
        item("VamoOld.dll", {"-삭제완료\r\n"}, false), item("VamoPlugin32.dll", {"-건너뛰기\r\n"}, false),
        item("npvamoplugin.dll", {"-검증완료\r\n", "-복사완료\r\n"})}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  expected.push_back("------- INSTALL END -------\r\n");
  ASSERT_GE(markers[6], 0);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + markers[6], lines.end()), expected);

  // On disk, in the registry and in the installed-version file.
  const std::string system = "C:\\Windows\\System32";
  const std::string installFolder = CSetupFolders::InstallFolder();
  const std::string localLow = platform::GetKnownFolder(platform::KnownFolder::kLocalAppDataLow);
  const std::string release = std::string(VAMO_DEMO_RELEASE) + "/site/";
  EXPECT_EQ(ReadWin(system + "\\VamoPlugin.dll"), ReadHostFile(release + "VamoPlugin.dll"));
  EXPECT_EQ(ReadWin(system + "\\VamoPlugin.dll.registered"), "registered by DllRegisterServer\n");
  EXPECT_EQ(ReadWin(installFolder + "\\VamoAgent.exe"), ReadHostFile(release + "VamoAgent.exe"));
  EXPECT_EQ(ReadWin(installFolder + "\\VamoAgent.log"), "VamoAgent ran /silent\n") << "the signed program ran";
  EXPECT_NE(ReadWin(localLow + "\\VamoPlugin\\help\\VamoHelp.txt").find("Vamo web payment plug-in"), std::string::npos);
  EXPECT_TRUE(WinExists(system + "\\VamoCtl.txt"));
  EXPECT_EQ(ReadWin(system + "\\VamoCtl.dll.registered"), "registered by DllRegisterServer\n");
  EXPECT_FALSE(WinExists("C:\\Windows\\Downloaded Program Files\\VamoOld.dll"));
  EXPECT_FALSE(WinExists(system + "\\VamoPlugin32.dll"));
  EXPECT_EQ(ReadWin("C:\\Program Files\\Mozilla Firefox\\plugins\\npvamoplugin.dll"),
            ReadHostFile(release + "npvamoplugin.dll"));
  EXPECT_EQ(CRegistryWriter::ReadString(platform::RegRoot::kLocalMachine, "SOFTWARE\\Vamo\\VamoPlugin", "Path"),
            system + "\\VamoPlugin.dll");
  EXPECT_EQ(CRegistryWriter::ReadString(platform::RegRoot::kCurrentUser, "Software\\Vamo\\VamoPlugin", "Folder"),
            localLow + "\\VamoPlugin");
  EXPECT_EQ(InstalledSections(),
            (std::vector<std::string>{"VamoPlugin.dll", "VamoAgent.exe", "VamoHelp.txt", "npvamoplugin.dll"}));
  EXPECT_EQ(Installed("VamoHelp.txt", "VERSION"), "1,0,0,2");
  EXPECT_EQ(Installed("VamoAgent.exe", "SECURE_DATA").size(), 88u);
  const std::string prefs = platform::GetKnownFolder(platform::KnownFolder::kLocalAppData) +
                            "\\Mozilla\\Firefox\\Profiles\\vamodemo.default\\prefs.js";
  EXPECT_NE(ReadWin(prefs).find("dom.ipc.plugins.enabled.npvamoplugin.dll"), std::string::npos);
  EXPECT_TRUE(WinFolderNames(CSetupFolders::TempFolder()).empty()) << "no temporary file is left";
}

// ------------------------------------------------------------ how runs end

// Failures end the run through the error exit: one WM_SETUP_ERROR, no
// completion, the error record and the message text appended to the report
// as its last line.
struct EndingCase {
  const char* strLabel;
  std::vector<std::string> switches;
  std::string strList;  // "" leaves the list unpublished
  int nCode;            // 0: the run completes
  int nLastPhase;
  const char* strLastSection;  // the last section marker the report holds
  bool bSigned = true;          // false: the list is served without its signature block
};

class RunEndings : public WholeRunTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(RunEndings, EndWithOneMessage) {
  const EndingCase& ending = GetParam();
  if (!Inside()) {
    site.Serve("a.txt", "a file\r\n");
    if (!ending.strList.empty() && ending.bSigned) site.Publish(ending.strList);
    if (!ending.bSigned) site.PublishRaw(ending.strList);
    return RunInsideLab(site, ending.switches);
  }

  TempPrefix prefix;
  TrustTestCertificates();
  platform::gui::MessageQueue window;
  CSetupRun run(&window, TestRunOptions());
  CRunEnd end = RunToEnd(run, window);
  std::vector<std::string> lines = ReportLines(run.m_setupReport);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(PhaseNumber(run.TakeSnapshot().m_nPhase), ending.nLastPhase);
  if (ending.nCode == 0) {
    EXPECT_TRUE(end.Completed()) << run.m_setupReport.TextUtf8();
    EXPECT_EQ(lines.back(), "------- INSTALL END -------\r\n");
    return;
  }
  EXPECT_EQ(end.Count(WM_SETUP_ERROR), 1);
  EXPECT_EQ(end.Count(WM_SETUP_COMPLETE), 0);
  EXPECT_EQ(end.messages.back(), WM_SETUP_ERROR) << "nothing is posted after the error";
  EXPECT_EQ(run.m_errorInfo.m_nCode, ending.nCode);
  EXPECT_TRUE(run.TakeSnapshot().m_bErrorMode);
  EXPECT_NE(end.strErrorText.find("[" + std::to_string(ending.nCode) + "]"), std::string::npos);
  EXPECT_EQ(lines.back(), end.strErrorText) << "the message closes the report, as it was shown";
  auto marker =
      std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) { return line.starts_with("------- "); });
  ASSERT_NE(marker, lines.rend());
  EXPECT_EQ(*marker, std::string("------- ") + ending.strLastSection + " -------\r\n");
}

const char kMissingItem[] = "[missing.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}missing.dll\r\n";
const char kGoodItem[] = "[a.txt]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}a.txt\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RunEndings,
    ::testing::Values(
        EndingCase{"DnsServersSilent", {"dns-down=all"}, kGoodItem, kErrNetDns, 1, "ANALYSIS USER END"},
        EndingCase{"PaymentServerClosed", {"pay=closed"}, kGoodItem, kErrNetServerHttpSsl, 1, "ANALYSIS USER END"},
        EndingCase{"UpdateHostClosed", {"update=closed"}, kGoodItem, kErrUpdateListDownload, 3, "INSTALL END"},
        EndingCase{"ListNotPublished", {}, "", kErrUpdateListDownload, 3, "INSTALL END"},
        EndingCase{"ListWithoutSignature", {}, kGoodItem, kErrUpdateListVerify, 3, "INSTALL END", false},
        EndingCase{"AnItemFails", {}, std::string(kGoodItem) + kMissingItem, kErrInstallItems, 3, "INSTALL END"},
        EndingCase{"AnIgnoredItemFails",
                   {},
                   std::string(kMissingItem) + "ERROR_IGNORE=TRUE\r\n" + kGoodItem,
                   0,
                   4,
                   "INSTALL END"}),
    [](const auto& info) { return std::string(info.param.strLabel); });

// The folder a failure names reaches the message, as "%s (%s)".
TEST_F(WholeRunTest, AnInstallFolderThatCannotBeWrittenIsNamedInTheMessage) {
  if (!Inside()) {
    site.Publish(kGoodItem);
    return RunInsideLab(site);
  }
  TempPrefix prefix;
  TrustTestCertificates();
  ReadOnlyFolder readOnly(CSetupFolders::BaseFolder());
  ASSERT_TRUE(readOnly.Mounted());
  platform::gui::MessageQueue window;
  CSetupRun run(&window, TestRunOptions());
  CRunEnd end = RunToEnd(run, window);
  const std::string folder = CSetupFolders::InstallFolder();
  EXPECT_EQ(run.m_errorInfo.m_nCode, kErrFolderAccess);
  EXPECT_EQ(run.m_errorInfo.m_strDetail, folder);
  EXPECT_EQ(end.strErrorText, "1. 디렉토리 또는 파일에 접근할 수 없습니다. [-9302] (" + folder + ")");
  std::vector<std::string> lines = ReportLines(run.m_setupReport);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 4, lines.end()),
      (std::vector<std::string>{"Install Folder [" + folder + "] Access Fail...\r\n", "Install Initialize Fail.\r\n",
                                "------- INSTALL END -------\r\n", end.strErrorText}));
}

// ------------------------------------------------------------ the stop flag

// The window is closed while the second item waits its turn.
class StoppedRun : public CSetupRun {
 public:
  using CSetupRun::CSetupRun;
  void SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) override {
    CSetupRun::SetCountProgress(strLabel, nCurrent, nTotal);
    if (strLabel == "대기중" && nCurrent == 2) RequestStop();
  }
};

TEST_F(WholeRunTest, StoppingDuringItemsEndsWithOneErrorAndNoCompletion) {
  if (!Inside()) {
    site.Serve("a.txt", "a");
    site.Serve("b.txt", "b");
    site.Publish(std::string(kGoodItem) + "[b.txt]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}b.txt\r\n");
    return RunInsideLab(site);
  }
  TempPrefix prefix;
  TrustTestCertificates();
  platform::gui::MessageQueue window;
  StoppedRun run(&window, TestRunOptions());
  CRunEnd end = RunToEnd(run, window);
  EXPECT_EQ(end.Count(WM_SETUP_ERROR), 1);
  EXPECT_EQ(end.Count(WM_SETUP_COMPLETE), 0);
  EXPECT_EQ(run.m_errorInfo.m_nCode, kErrInstallItems);
  ASSERT_NE(run.InstallProcedure(), nullptr);
  EXPECT_EQ(run.InstallProcedure()->m_installPlan.Item(0).m_nResult, 0);
  EXPECT_TRUE(WinExists(CSetupFolders::InstallFolder() + "\\a.txt"));
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\b.txt")) << "the second item never started";
  std::string report = run.m_setupReport.TextUtf8();
  EXPECT_EQ(report.find("파일 : b.txt\r\n"), std::string::npos);
  EXPECT_TRUE(report.ends_with("Install Fail.\r\n------- INSTALL END -------\r\n" + end.strErrorText));
}

// ------------------------------------------------- platforms and browsers

// The machine the system analysis finds decides which items install: the
// Windows version and width of the prefix, and whether a browser other than
// Internet Explorer is there. The analysis calls every Windows after 7 a
// 32-bit system whatever its processor (it knows no newer names), so lists
// meet WIN32 items installed and WIN64 items skipped there.
struct MachineCase {
  const char* strLabel;
  uint32_t nMajor;
  uint32_t nMinor;
  const char* strArchitecture;
  bool bChrome;
  std::vector<std::string> installed;  // of the items below, in list order
};

class Machines : public WholeRunTest, public ::testing::WithParamInterface<MachineCase> {};

const char* const kPlatformItems[][2] = {
    {"xp.txt", "1"},    {"vista-up.txt", "2"}, {"win7.txt", "8"},   {"win8.txt", "16"},
    {"x64.txt", "512"}, {"x86.txt", "256"},    {"every.txt", "32"}, {"np.txt", "0\r\nNPFLAG=TRUE"}};

TEST_P(Machines, InstallOnlyTheirItems) {
  if (!Inside()) {
    std::string list;
    for (const auto& item : kPlatformItems) {
      list +=
          std::string("[") + item[0] + "]\r\nTYPE=FILE\r\nPLATFORM=" + item[1] + "\r\nDOWNLOAD_FULL_URL={URL}a.txt\r\n";
    }
    list +=
        "[path.txt]\r\nTYPE=FILE\r\nINSTALL_PATH=%Windows%\\OldPath\r\nINSTALL_PATH_VISTA=%LocalLow%\\NewPath\r\n"
        "DOWNLOAD_FULL_URL={URL}a.txt\r\n";
    site.Serve("a.txt", "a file\r\n");
    site.Publish(list);
    return RunInsideLab(site);
  }
  const MachineCase& machine = GetParam();
  platform::PrefixOptions options;
  options.majorVersion = machine.nMajor;
  options.minorVersion = machine.nMinor;
  options.architecture = machine.strArchitecture;
  TempPrefix prefix(options);
  TrustTestCertificates();
  if (machine.bChrome) InstallChrome();
  platform::gui::MessageQueue window;
  CSetupRun run(&window, TestRunOptions());
  CRunEnd end = RunToEnd(run, window);
  ASSERT_TRUE(end.Completed()) << run.m_setupReport.TextUtf8();
  EXPECT_EQ(run.m_bOtherBrowser, machine.bChrome ? 1 : 0);

  std::vector<std::string> installed;
  for (const auto& item : kPlatformItems) {
    if (WinExists(CSetupFolders::InstallFolder() + "\\" + item[0])) installed.push_back(item[0]);
  }
  EXPECT_EQ(installed, machine.installed);
  const bool bVista = machine.nMajor > 5;
  EXPECT_EQ(WinExists(platform::GetKnownFolder(platform::KnownFolder::kLocalAppDataLow) + "\\NewPath\\path.txt"),
            bVista);
  EXPECT_EQ(WinExists("C:\\Windows\\OldPath\\path.txt"), !bVista);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Machines,
    ::testing::Values(
        MachineCase{"Xp32", 5, 1, "x86", false, {"xp.txt", "x86.txt", "every.txt"}},
        MachineCase{"Seven64", 6, 1, "x64", false, {"vista-up.txt", "win7.txt", "x64.txt", "every.txt"}},
        MachineCase{
            "Seven64WithChrome", 6, 1, "x64", true, {"vista-up.txt", "win7.txt", "x64.txt", "every.txt", "np.txt"}},
        MachineCase{"Eight64", 6, 2, "x64", false, {"vista-up.txt", "win8.txt", "x86.txt", "every.txt"}},
        MachineCase{"Ten64WithChrome", 10, 0, "x64", true, {"vista-up.txt", "x86.txt", "every.txt", "np.txt"}}),
    [](const auto& info) { return std::string(info.param.strLabel); });

}  // namespace
