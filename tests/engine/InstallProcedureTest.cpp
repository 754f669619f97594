#include "engine/InstallProcedure.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/ErrorCodes.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/process/Process.h"
#include "platform/profile/Profile.h"
#include "platform/sysinfo/KnownFolders.h"
#include "system/RegistryWriter.h"
#include "system/SetupFolders.h"
#include "system/UtilityCodes.h"
#include "tests/engine/InstallTestSupport.h"
#include "tests/support/PrivateProcesses.h"
#include "transfer/FileVerify.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator[] = "---------------------------------------------\r\n";

std::string Installed(const std::string& section, const std::string& key) {
  return platform::profile::GetString(platform::profile::Source::File(CSetupFolders::InstalledVersionFile()), section,
                                      key);
}
bool HasInstalledSection(const std::string& section) {
  auto names = platform::profile::SplitNulList(platform::profile::GetSectionNames(
      platform::profile::Source::File(CSetupFolders::InstalledVersionFile()), 65536));
  return std::find(names.begin(), names.end(), section) != names.end();
}
std::string DigestOf(const std::string& hostPath) {
  std::string text;
  EXPECT_EQ(FileDigestText(platform::ToWindowsPath(hostPath), text), 0);
  return text;
}
std::vector<std::string> DownloadLines(const CInstallWorld& world) {
  std::string port = world.Url("").substr(std::string("http://127.0.0.1:").size());
  port = port.substr(0, port.find('/'));
  return {"--FileDownload Start\r\n", "--FileDownload Server [127.0.0.1:" + port + "]\r\n",
          "--FileDownload End.\r\n"};
}
std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Programs and libraries of the payload log what they did into files named
// by the environment.
class LogFiles {
 public:
  LogFiles() {
    setenv("VAMO_SELFREG_LOG", (m_dir.Path() + "/selfreg.log").c_str(), 1);
    setenv("VAMO_RUN_LOG", (m_dir.Path() + "/run.log").c_str(), 1);
  }
  ~LogFiles() {
    unsetenv("VAMO_SELFREG_LOG");
    unsetenv("VAMO_RUN_LOG");
  }
  std::string Registered() const { return ReadHostFile(m_dir.Path() + "/selfreg.log"); }
  std::string Ran() const { return ReadHostFile(m_dir.Path() + "/run.log"); }

 private:
  TempDir m_dir;
};

struct InstallProcedureTest : ::testing::Test {
  void SetUp() override {
    if (!ResourceKeyIsDemoKey()) GTEST_SKIP() << "this build embeds another update-list key than the demo key";
    if (!HasPrivateProcesses()) GTEST_SKIP() << "the install ends browsers by name: needs a PID namespace of its own";
  }
  std::string TempFolder() const { return CSetupFolders::TempFolder(); }

  CInstallWorld world;
  CInstallRun run{world};
  LogFiles logs;
};

// ------------------------------------------------------------- a whole run

TEST_F(InstallProcedureTest, EveryItemKindInstalls) {
  world.Serve("data.txt", ReadHostFile(PayloadFile("data.txt")));
  world.ServeFile("plugin.dll", PayloadFile("plugin.dll"));
  world.ServeFile("payload.zip", PayloadFile("payload.zip"));
  world.ServeFile("plugin.cab", PayloadFile("plugin.cab"));
  world.Publish(
      "[GENERAL]\r\nVERSION=1.0.1.7\r\n"
      "[data.txt]\r\nTYPE=FILE\r\nVERSION=1,0,0,1\r\nDOWNLOAD_FULL_URL={URL}data.txt\r\nINSTALL_PATH=%Windows%\\Vamo\r\n"
      "[plugin.dll]\r\nTYPE=FILE\r\nVERSION=1,0,5,1\r\nDOWNLOAD_FULL_URL={URL}plugin.dll\r\nINSTALL_PATH=%System%\r\n"
      "REGISTER=TRUE\r\n"
      "[packed.dat]\r\nTYPE=FILE\r\nVERSION=2\r\nDOWNLOAD_FULL_URL={URL}payload.zip\r\nCOMPRESSED=TRUE\r\n"
      "[plugin.cab]\r\nTYPE=CABINET\r\nDOWNLOAD_FULL_URL={URL}plugin.cab\r\n"
      "[reg]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_LOCAL_MACHINE\r\nSUB_KEY=SOFTWARE\\Vamo\\Plugin\r\nREGISTRY=REG_STR\r\n"
      "KEY_NAME=Path\r\nKEY_VALUE=%System%\\plugin.dll\r\n"
      "[old.dll]\r\nTYPE=REMOVE\r\nINSTALL_PATH=%Windows%\\Vamo\r\n"
      "[x86only.dll]\r\nTYPE=FILE\r\nPLATFORM=256\r\nDOWNLOAD_FULL_URL={URL}never.dll\r\n"
      "[np.dll]\r\nTYPE=FILE\r\nNPFLAG=TRUE\r\nDOWNLOAD_FULL_URL={URL}never.dll\r\n");
  fs::create_directories(HostOf("C:\\Windows\\Vamo"));
  WriteHostFile(HostOf("C:\\Windows\\Vamo\\old.dll"), "obsolete");

  ASSERT_EQ(run.ProcInstall(), 0) << run.ReportText();

  // On disk, in the registry and in the installed-version file.
  EXPECT_EQ(ReadWin("C:\\Windows\\Vamo\\data.txt"), ReadHostFile(PayloadFile("data.txt")));
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\plugin.dll"), ReadHostFile(PayloadFile("plugin.dll")));
  EXPECT_EQ(ReadWin(CSetupFolders::InstallFolder() + "\\packed.dat").substr(0, 27), "unpacked from a zip archive");
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\cabdata.txt"), "from the cabinet to the system folder\r\n");
  EXPECT_EQ(logs.Registered(), "register plugin.dll\nregister cabplugin.dll\n");
  EXPECT_EQ(CRegistryWriter::ReadString(platform::RegRoot::kLocalMachine, "SOFTWARE\\Vamo\\Plugin", "Path"),
            "C:\\Windows\\System32\\plugin.dll");
  EXPECT_FALSE(WinExists("C:\\Windows\\Vamo\\old.dll"));
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\x86only.dll"));
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\np.dll"));
  EXPECT_EQ(Installed("data.txt", "VERSION"), "1,0,0,1");
  EXPECT_EQ(Installed("data.txt", "SECURE_DATA"), DigestOf(PayloadFile("data.txt")));
  EXPECT_EQ(Installed("plugin.dll", "VERSION"), "1,0,5,1");
  EXPECT_EQ(Installed("packed.dat", "VERSION"), "2");
  EXPECT_FALSE(HasInstalledSection("plugin.cab"));
  EXPECT_FALSE(HasInstalledSection("reg"));
  EXPECT_FALSE(HasInstalledSection("x86only.dll"));
  EXPECT_TRUE(WinFolderNames(TempFolder()).empty()) << "no temporary file is left";
  for (const RecordedRequest& request : world.Requests()) EXPECT_NE(request.path, "/static/never.dll");

  // The report, line for line where it matters.
  std::vector<std::string> lines = run.ReportLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "------- INSTALL BEGIN -------\r\n");
  EXPECT_EQ(lines[1], "Updatelist File URL [" + world.ListUrl() + "]\r\n");
  EXPECT_EQ(lines[2], "Updatelist Verify Complete\r\n");
  EXPECT_EQ(lines[3], kSeparator);
  EXPECT_EQ(lines.back(), "------- INSTALL END -------\r\n");
  const std::vector<std::string> download = DownloadLines(world);
  EXPECT_EQ(run.ItemLines("data.txt"),
            Concat(download, {"-다운로드완료\r\n", "-검증완료\r\n", "-복사완료\r\n"}));
  EXPECT_EQ(run.ItemLines("plugin.dll"),
            Concat(download, {"-다운로드완료\r\n", "-검증완료\r\n", "-복사완료\r\n", "-등록완료\r\n"}));
  EXPECT_EQ(run.ItemLines("plugin.cab"),
            Concat(Concat({"-캐비넷설치\r\n"}, download),
                   {"-다운로드완료\r\n", "-캐비넷 코드사인 검증완료\r\n", "-설치완료\r\n"}));
  EXPECT_EQ(run.ItemLines("reg"), (std::vector<std::string>{"-등록완료\r\n"}));
  EXPECT_EQ(run.ItemLines("old.dll"), (std::vector<std::string>{"-삭제완료\r\n"}));
  EXPECT_EQ(run.ItemLines("x86only.dll"), (std::vector<std::string>{"-건너뛰기\r\n"}));
  EXPECT_EQ(run.ItemLines("np.dll"), (std::vector<std::string>{"-건너뛰기\r\n"}));
  int separators = static_cast<int>(std::count(lines.begin(), lines.end(), std::string(kSeparator)));
  EXPECT_EQ(separators, 8) << "every item, skipped or not, has its separator";

  // The status words of one file item, in order.
  std::vector<std::string> words = run.m_host.Words();
  auto first = std::find(words.begin(), words.end(), "다운로드중");
  ASSERT_NE(first, words.end());
  EXPECT_EQ(std::vector<std::string>(first - 1, first + 9),
            (std::vector<std::string>{"대기중", "다운로드중", "다운로드완료", "압축해제중", "검증중", "검증완료",
                                      "복사중", "복사완료", "레지스트리 등록중", "실행중"}));
}

// ------------------------------------------------------------ failing items

struct FailureCase {
  const char* strLabel;
  bool bIgnore;
};

class FailingItems : public InstallProcedureTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailingItems, AreCountedUnlessIgnored) {
  const bool bIgnore = GetParam().bIgnore;
  const std::string ignore = bIgnore ? "ERROR_IGNORE=TRUE\r\n" : "";
  world.Serve("tampered.txt", "the published bytes");
  world.ServeFile("empty.zip", PayloadFile("empty.zip"), false);  // yields no file: no digest to fill
  world.ServeFile("unsigned.cab", PayloadFile("unsigned.cab"));
  world.ServeFile("broken.dll", PayloadFile("broken.dll"));
  world.ServeFile("tool.exe", PayloadFile("tool.exe"));
  world.Publish("[missing.dll]\r\nDOWNLOAD_FULL_URL={URL}missing.dll\r\n" + ignore +
                "[tampered.txt]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}tampered.txt\r\n" + ignore +
                "[nothing.dat]\r\nTYPE=FILE\r\nCOMPRESSED=TRUE\r\nDOWNLOAD_FULL_URL={URL}empty.zip\r\n" + ignore +
                "[unsigned.cab]\r\nTYPE=CABINET\r\nDOWNLOAD_FULL_URL={URL}unsigned.cab\r\n" + ignore +
                "[broken.dll]\r\nTYPE=FILE\r\nREGISTER=TRUE\r\nDOWNLOAD_FULL_URL={URL}broken.dll\r\n" + ignore +
                "[tool.exe]\r\nTYPE=FILE\r\nRUN=TRUE\r\nVERSION=3\r\nDOWNLOAD_FULL_URL={URL}tool.exe\r\n" + ignore +
                "[reg]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_NOWHERE\r\nSUB_KEY=x\r\nREGISTRY=REG_SZ\r\nKEY_NAME=y\r\n" +
                ignore);
  world.Replace("tampered.txt", "bytes changed after the list was signed");

  EXPECT_EQ(run.ProcInstall(), bIgnore ? 0 : kErrInstallItems);
  std::vector<std::string> lines = run.ReportLines();
  if (bIgnore) {
    EXPECT_EQ(lines.back(), "------- INSTALL END -------\r\n");
  } else {
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Install Fail.\r\n");
    EXPECT_EQ(lines.back(), "------- INSTALL END -------\r\n");
  }
  const std::string no = bIgnore ? "무시" : "";
  auto last = [&](const std::string& item) {
    auto lines = run.ItemLines(item);
    return lines.empty() ? std::string() : lines.back();
  };
  std::vector<std::string> download = DownloadLines(world);
  EXPECT_EQ(run.ItemLines("missing.dll"),
            (std::vector<std::string>{download[0], download[1], "--FileDownload SendRequest Fail. File Not Found\r\n",
                                      "--FileDownload Exception...\r\n", download[2], "-다운로드실패" + no + "\r\n"}));
  EXPECT_EQ(last("tampered.txt"), "-검증실패" + no + "\r\n");
  EXPECT_EQ(last("nothing.dat"), "-다운로드완료\r\n") << "unpacking writes no report line";
  EXPECT_EQ(last("unsigned.cab"), bIgnore ? "-캐비넷 코드사인실패무시\r\n" : "-캐비넷 코드사인 검증실패\r\n");
  EXPECT_EQ(last("broken.dll"), "-등록실패" + no + "\r\n");
  EXPECT_EQ(last("tool.exe"), "-코드사인검증실패" + no + "\r\n");
  EXPECT_EQ(last("reg"), "-등록오류" + no + "\r\n");

  // What each item keeps, and what it leaves behind.
  std::vector<int> results;
  for (const auto& item : run.m_procedure.m_installPlan.Items()) results.push_back(item->m_nResult);
  if (bIgnore) {
    EXPECT_EQ(results, std::vector<int>(7, 0));
  } else {
    EXPECT_EQ(results, (std::vector<int>{kErrItemDownload, kErrItemVerify, kErrItemUnpack, kErrItemVerify,
                                         utility_codes::kRegisterFailed, -1, kErrItemRegistry}));
  }
  std::vector<std::string> words = run.m_host.Words();
  EXPECT_NE(std::find(words.begin(), words.end(), "압축해제오류" + no), words.end());
  EXPECT_TRUE(logs.Ran().empty()) << "a program without a valid signature is never run";
  EXPECT_TRUE(WinExists(CSetupFolders::InstallFolder() + "\\tool.exe"));
  EXPECT_EQ(Installed("tool.exe", "VERSION"), "3") << "installed, not run, still recorded";
  EXPECT_FALSE(HasInstalledSection("broken.dll")) << "a failed registration is not recorded";
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\tampered.txt"));
  EXPECT_TRUE(WinFolderNames(TempFolder()).empty()) << "no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(Cases, FailingItems,
                         ::testing::Values(FailureCase{"Counted", false}, FailureCase{"Ignored", true}),
                         [](const auto& info) { return std::string(info.param.strLabel); });

// A program registers itself by running with " /regserver"; only the exact
// ".exe" makes a program, anything else is registered as a library.
TEST_F(InstallProcedureTest, ProgramsRegisterByRunningAndEverythingElseAsALibrary) {
  world.ServeFile("tool.exe", PayloadFile("tool.exe"));
  world.Publish("[reg.exe]\r\nTYPE=FILE\r\nREGISTER=TRUE\r\nDOWNLOAD_FULL_URL={URL}tool.exe\r\n"
                "[upper.EXE]\r\nTYPE=FILE\r\nREGISTER=TRUE\r\nDOWNLOAD_FULL_URL={URL}tool.exe\r\n");
  EXPECT_EQ(run.ProcInstall(), kErrInstallItems);
  EXPECT_EQ(logs.Ran(), "reg.exe|/regserver\n");
  EXPECT_EQ(run.ItemLines("reg.exe").back(), "-등록완료\r\n");
  EXPECT_EQ(run.ItemLines("upper.EXE").back(), "-등록실패\r\n");
  EXPECT_EQ(run.m_procedure.m_installPlan.Item(1).m_nResult, utility_codes::kRegisterFailed);
  EXPECT_TRUE(HasInstalledSection("reg.exe"));
}

// A validly signed program passes the check before it is run; here it is a
// PE image, which this machine can run only through wine.
TEST_F(InstallProcedureTest, ASignedProgramPassesTheCheckBeforeItsRun) {
  world.ServeFile("app.exe", SignedProgramFixture());
  world.Publish("[app.exe]\r\nTYPE=FILE\r\nRUN=TRUE\r\nRUNSILENT=TRUE\r\nDOWNLOAD_FULL_URL={URL}app.exe\r\n");
  run.ProcInstall();
  std::vector<std::string> item = run.ItemLines("app.exe");
  ASSERT_FALSE(item.empty());
  EXPECT_TRUE(item.back() == "-실행완료\r\n" || item.back() == "-실행실패\r\n") << item.back();
  EXPECT_EQ(std::find(item.begin(), item.end(), "-코드사인검증실패\r\n"), item.end());
}

// ------------------------------------------------------------------ races

// The downloaded file is swapped or rewritten between its digest check and
// its copy: what reaches the target is the checked file, or nothing.
TEST_F(InstallProcedureTest, ADownloadReplacedAfterItsCheckNeverReachesTheTarget) {
  const std::string good = "the file the list names";
  const std::string evil = "another file put in its place after the check";
  world.Serve("renamed.dll", good);
  world.Serve("rewritten.dll", good);
  world.Publish("[renamed.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}renamed.dll\r\n"
                "[rewritten.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}rewritten.dll\r\n");
  // Right when the copy is announced, after "-검증완료".
  run.m_host.m_onWord = [&](const std::string& word, int nItem) {
    if (word != "복사중") return;
    std::string download = HostOf(TempFolder() + (nItem == 1 ? "\\renamed.dll" : "\\rewritten.dll"));
    if (nItem == 1) {
      WriteHostFile(download + ".evil", evil);
      fs::rename(download + ".evil", download);
    } else {
      int fd = open(download.c_str(), O_WRONLY);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(pwrite(fd, evil.data(), evil.size(), 0), static_cast<ssize_t>(evil.size()));
      close(fd);
    }
  };
  EXPECT_EQ(run.ProcInstall(), kErrInstallItems);
  EXPECT_EQ(ReadWin(CSetupFolders::InstallFolder() + "\\renamed.dll"), good) << "the checked file was copied";
  EXPECT_EQ(run.ItemLines("renamed.dll").back(), "-복사완료\r\n");
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\rewritten.dll")) << "changed bytes are never installed";
  EXPECT_EQ(run.ItemLines("rewritten.dll").back(), "-복사실패\r\n");
  EXPECT_EQ(run.m_procedure.m_installPlan.Item(1).m_nResult, utility_codes::kCopyFailed);
  EXPECT_FALSE(HasInstalledSection("rewritten.dll"));
  EXPECT_TRUE(WinFolderNames(TempFolder()).empty());
}

// ------------------------------------------------------- the procedure fails

struct RefusedList {
  const char* strLabel;
  const char* strCheckLine;  // the check's own report line, if it has one
};

class RefusedLists : public InstallProcedureTest, public ::testing::WithParamInterface<RefusedList> {};

TEST_P(RefusedLists, EndWithMinus9202AndStayInTheTemporaryFolder) {
  world.Publish("[a.dll]\r\nTYPE=FILE\r\n");
  std::string bytes = ReadHostFile(world.ListHostPath());
  if (std::string(GetParam().strLabel) == "NoSignature") bytes = bytes.substr(0, bytes.find("-----BEGIN"));
  if (std::string(GetParam().strLabel) == "AlteredAfterSigning") bytes.replace(bytes.find("a.dll"), 5, "b.dll");
  world.PublishRaw(bytes);

  EXPECT_EQ(run.ProcInstall(), kErrUpdateListVerify);
  std::vector<std::string> expected = {"------- INSTALL BEGIN -------\r\n",
                                       "Updatelist File URL [" + world.ListUrl() + "]\r\n"};
  if (*GetParam().strCheckLine != '\0') expected.push_back(GetParam().strCheckLine);
  expected.push_back("Update List Verify Fail.\r\n");
  expected.push_back("------- INSTALL END -------\r\n");
  EXPECT_EQ(run.ReportLines(), expected);
  EXPECT_EQ(ReadHostFile(HostOf(run.m_procedure.UpdateListPath())), bytes);
  EXPECT_EQ(run.m_procedure.m_installPlan.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedLists,
                         ::testing::Values(RefusedList{"NoSignature", "Updatelist Verify Fail (Update File Not Sign)\r\n"},
                                           RefusedList{"AlteredAfterSigning", ""}),
                         [](const auto& info) { return std::string(info.param.strLabel); });

TEST_F(InstallProcedureTest, AFailedListDownloadEndsWithMinus9201) {
  EXPECT_EQ(run.ProcInstall(), kErrUpdateListDownload);
  EXPECT_EQ(run.ReportLines(),
            (std::vector<std::string>{"------- INSTALL BEGIN -------\r\n",
                                      "Updatelist File URL [" + world.ListUrl() + "]\r\n",
                                      "Updatelist File Download Fail \r\n", "Update List Download Fail.\r\n",
                                      "------- INSTALL END -------\r\n"}));
}

TEST_F(InstallProcedureTest, AUserWhoIsNotAnAdministratorGetsNothingDone) {
  if (geteuid() != 0) GTEST_SKIP() << "switching to nobody needs root";
  world.Publish("[a.dll]\r\nTYPE=FILE\r\n");
  TempDir out;
  chmod(out.Path().c_str(), 0777);
  const std::string reportPath = out.Path() + "/report.txt";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    int rc = run.ProcInstall();
    WriteHostFile(reportPath, run.ReportText());
    _exit(rc == kErrNotAdministrator ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadHostFile(reportPath),
            "------- INSTALL BEGIN -------\r\n"
            "사용자 계정이 관리자 계정이 아닙니다. 관리자 계정으로 다시 시도해 주십시오.\r\n"
            "Install Initialize Fail.\r\n"
            "------- INSTALL END -------\r\n");
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder())) << "no folder is made before the rights are known";
  EXPECT_TRUE(world.Requests().empty()) << "nothing is downloaded";
}

TEST_F(InstallProcedureTest, AnInstallFolderThatCannotBeWrittenStopsAtMinus9302) {
  const std::string base = CSetupFolders::BaseFolder();
  ReadOnlyFolder readOnly(base);
  ASSERT_TRUE(readOnly.Mounted());
  world.Publish("[a.dll]\r\nTYPE=FILE\r\n");
  const std::string folder = CSetupFolders::InstallFolder();
  EXPECT_EQ(run.ProcInstall(), kErrFolderAccess);
  EXPECT_EQ(run.m_errorInfo.m_nCode, kErrFolderAccess);
  EXPECT_EQ(run.m_errorInfo.m_strDetail, folder);
  EXPECT_EQ(run.ReportLines(), (std::vector<std::string>{"------- INSTALL BEGIN -------\r\n",
                                                          "Install Folder [" + folder + "] Access Fail...\r\n",
                                                          "Install Initialize Fail.\r\n",
                                                          "------- INSTALL END -------\r\n"}));
  EXPECT_TRUE(world.Requests().empty());
}

TEST_F(InstallProcedureTest, ATargetFolderThatCannotBeWrittenStopsBeforeAnyItem) {
  ReadOnlyFolder readOnly("C:\\Windows\\Locked");
  ASSERT_TRUE(readOnly.Mounted());
  world.Serve("a.dll", "a");
  world.Publish("[a.dll]\r\nTYPE=FILE\r\nDOWNLOAD_FULL_URL={URL}a.dll\r\n"
                "[b.dll]\r\nTYPE=FILE\r\nINSTALL_PATH=%Windows%\\Locked\r\nDOWNLOAD_FULL_URL={URL}a.dll\r\n");
  EXPECT_EQ(run.ProcInstall(), kErrFolderAccess);
  EXPECT_EQ(run.m_errorInfo.m_strDetail, "C:\\Windows\\Locked\\");
  std::vector<std::string> lines = run.ReportLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "Install Folder [C:\\Windows\\Locked\\] Access Fail...\r\n");
  EXPECT_EQ(lines[lines.size() - 2], "Install Directory Check Fail.\r\n");
  EXPECT_FALSE(WinExists(CSetupFolders::InstallFolder() + "\\a.dll")) << "no item was processed";
}

// ---------------------------------------------- browsers and the empty plan

TEST_F(InstallProcedureTest, AnEmptyPlanStillEndsBrowsersAndUpdatesFirefox) {
  // A browser of our own (this test's PID namespace holds nothing else).
  TempDir bin;
  fs::copy_file("/bin/sleep", bin.Path() + "/chrome.exe");
  auto browser = platform::ShellExecuteProgram(platform::ToWindowsPath(bin.Path() + "/chrome.exe"), "60");
  ASSERT_TRUE(browser.has_value());
  const std::string profile = platform::GetKnownFolder(platform::KnownFolder::kLocalAppData) +
                              "\\Mozilla\\Firefox\\Profiles\\abc.default";
  fs::create_directories(HostOf(profile));
  WriteHostFile(HostOf(profile + "\\prefs.js"), "user_pref(\"browser.startup.page\", 1);\n");
  run.m_bOtherBrowser = 1;
  world.Publish("[GENERAL]\r\nVERSION=1\r\n");

  EXPECT_EQ(run.ProcInstall(), 0);
  EXPECT_EQ(browser->Wait().value_or(0), 128u + SIGKILL) << "the browser was ended";
  EXPECT_NE(ReadWin(profile + "\\prefs.js").find("dom.ipc.plugins.enabled.npvamoplugin.dll"), std::string::npos);
  EXPECT_FALSE(WinExists(run.m_procedure.UpdateListPath())) << "the list is gone after a successful run";
}

// The stop flag during item processing and the platform filter on whole
// machines are tested with the whole run, inside the network lab
// (tests/engine/lab/WholeRunTest.cpp).

}  // namespace
