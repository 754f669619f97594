// The wizard as a user runs it, inside the network lab whose update host
// serves the demo release: the program's start-up, Next, the program's own
// run with the product's pauses, and how the run ends, all through real X
// input. Each test runs itself again in the lab's client namespace, in a
// process namespace of its own whose first process stays outside the lab
// (as scripts/demo runs the wizard); its X server starts there too. Nothing
// of a run reaches the machine's own network.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/VamoSetupApp.h"
#include "diagnostics/NetworkCodes.h"
#include "engine/ErrorCodes.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/net/NetworkGuard.h"
#include "resources/resource.h"
#include "system/SetupFolders.h"
#include "tests/support/NetworkLab.h"
#include "tests/support/ToolRunner.h"
#include "tests/ui/WizardTestSupport.h"
#include "ui/DialogError.h"
#include "ui/DialogMain.h"
#include "ui/DialogSkin.h"
#include "ui/DialogWelcome.h"

using namespace platform::gui;
using namespace wizardtest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string kDemoSite = std::string(VAMO_DEMO_RELEASE) + "/site";

// The test's outer half: the shared lab with the demo release and these
// switches (after every switch went back to its default), then the test
// again inside.
void RunInsideLab(const std::vector<std::string>& switches = {}) {
  NetworkLab& lab = SharedNetworkLab();
  ASSERT_TRUE(lab.IsUp()) << lab.Error();
  ASSERT_TRUE(lab.Set({"defaults"})) << lab.Error();
  if (!switches.empty()) {
    ASSERT_TRUE(lab.Set(switches)) << lab.Error();
  }
  ASSERT_TRUE(lab.Publish(kDemoSite)) << lab.Error();
  EXPECT_TRUE(lab.RunCurrentTestInsideOwnProcesses());
}

// The inner half's PC: the demo machine (browsers, the demo publisher's CA)
// in this test's prefix, trusting the lab's CA as well.
void MakeDemoMachine(const TempPrefix& prefix) {
  ToolOutput made = RunProgram(
      "/bin/bash", {VAMO_DEMO_PREFIX_MAKER, prefix.Root(), VAMO_DEMO_RELEASE, VAMO_BROWSER_FIXTURES, VAMO_TOOL_PATH});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  const char* labCa = std::getenv("VAMO_LAB_CA");
  ASSERT_NE(labCa, nullptr) << "not inside a lab";
  fs::copy_file(labCa, prefix.Root() + "/certs/root/vamo-lab.pem", fs::copy_options::overwrite_existing);
}

// ASCII text as the UTF-16LE bytes of a saved report.
std::string Utf16Bytes(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// What a test learns of the run the program made, kept past the run's end.
struct CRunRecord {
  std::atomic<bool> bInstallRunning{false};
  std::atomic<bool> bInstallEnded{false};
  std::atomic<int> nInstallResult{1};
  // When the run went away: was a worker still there, had the install
  // ended?
  bool bGone = false;
  bool bWorkerLeft = true;
  bool bInstallEndedBeforeGone = false;
};

// The program's run, every phase the real one, with the install watched.
class CWatchedRun : public CSetupRun {
 public:
  CWatchedRun(MessageTarget* pWindow, CRunRecord& record) : CSetupRun(pWindow), m_record(record) {}
  ~CWatchedRun() override {
    m_record.bGone = true;
    m_record.bWorkerLeft = m_pWorkerThread != nullptr;
    m_record.bInstallEndedBeforeGone = m_record.bInstallEnded;
    StopWorker();
  }
  int ProcInstall() override {
    m_record.bInstallRunning = true;
    const int nResult = CSetupRun::ProcInstall();
    m_record.nInstallResult = nResult;
    m_record.bInstallEnded = true;
    return nResult;
  }

 private:
  CRunRecord& m_record;
};

// The program's start-up. By default with the program's own run; with a
// record, with that run watched.
class CWatchedApp : public CVamoSetupApp {
 public:
  CSetupRun* m_pRun = nullptr;
  CRunRecord* m_pRecord = nullptr;

 protected:
  std::unique_ptr<CSetupRun> CreateRun(MessageTarget* pWindow) override {
    std::unique_ptr<CSetupRun> pRun =
        m_pRecord ? std::make_unique<CWatchedRun>(pWindow, *m_pRecord) : CVamoSetupApp::CreateRun(pWindow);
    m_pRun = pRun.get();
    return pRun;
  }
};

class WizardRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Inside()) {
      ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
      ASSERT_TRUE(Initialize());
      MakeDemoMachine(m_prefix);
      return;
    }
    VAMO_REQUIRE_LAB();
    if (geteuid() != 0) GTEST_SKIP() << "whole runs need root (process namespaces for the inner half)";
  }
  static bool Inside() { return NetworkLab::InsideLab(); }

  // The page on top now.
  static Window* Active() { return Window::FromHandle(GetActiveWindow()); }
  template <typename T>
  static T* ActiveAs() {
    return dynamic_cast<T*>(Active());
  }
  static bool Shows(Window* pWindow) { return pWindow && ScreenShowsPainting(*pWindow); }

  TempPrefix m_prefix;
};

TEST_F(WizardRunTest, WelcomeThenARunThatStartsByItselfAndEndsWithTheDoneButton) {
  if (!Inside()) return RunInsideLab();

  // Where a support engineer has the report kept when the window closes.
  TempDir folder;
  const std::string kept = folder.Path() + "/kept.rpt";
  setenv(CVamoSetupApp::kReportVariable, kept.c_str(), 1);
  CWatchedApp app;
  std::vector<std::string> pages;
  enum { kWelcome, kMainOpened, kRunning, kDone } stage = kWelcome;
  CDialogMain* pMain = nullptr;
  std::chrono::steady_clock::time_point opened;
  int nLastPhase = -1;
  bool bInstallShown = false;
  // Screenshots wait for the screen, running nested ticks meanwhile: every
  // tick moves its stage on first.
  ModalHook hook(
      [&] {
        Window* pActive = Active();
        const char* page = dynamic_cast<CDialogWelcome*>(pActive) ? "welcome"
                           : dynamic_cast<CDialogMain*>(pActive)  ? "main"
                                                                  : nullptr;
        if (page && (pages.empty() || pages.back() != page)) pages.push_back(page);
        switch (stage) {
          case kWelcome:
            if (!dynamic_cast<CDialogWelcome*>(pActive) || !Shows(pActive)) break;
            stage = kMainOpened;
            ClickAt(*pActive, 270, 420);  // 다음
            break;
          case kMainOpened:
            // From here the test gives no input until the run has ended.
            if (!(pMain = dynamic_cast<CDialogMain*>(pActive)) || !app.m_pRun) break;
            EXPECT_EQ(app.m_pRun->m_pWorkerThread, nullptr) << "the worker ran before the window had opened";
            opened = std::chrono::steady_clock::now();
            stage = kRunning;
            break;
          case kRunning: {
            const int nPhase = PhaseNumber(app.m_pRun->GetPhase());
            if (nLastPhase < 0 && app.m_pRun->m_pWorkerThread) {
              std::printf("the worker started %lld ms after the window opened\n",
                          static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now() - opened)
                                                     .count()));
              nLastPhase = 0;
              KeepScreenshot(*pMain, "run-phase0");
            } else if (nLastPhase >= 0 && nPhase != nLastPhase && nPhase < 3) {
              nLastPhase = nPhase;
              KeepScreenshot(*pMain, "run-phase" + std::to_string(nPhase));
            } else if (nPhase == 3 && !bInstallShown && app.m_pRun->TakeSnapshot().m_nCountCurrent >= 4) {
              bInstallShown = true;
              KeepScreenshot(*pMain, "run-phase3");
            }
            if (!IsShown(*pMain, IDC_DONE)) break;
            EXPECT_NE(nLastPhase, -1) << "the worker was never seen running";
            EXPECT_EQ(app.m_pRun->m_pWorkerThread, nullptr) << "the worker was not collected";
            EXPECT_EQ(nPhase, 4);
            EXPECT_FALSE(app.m_pRun->TakeSnapshot().m_bErrorMode) << app.m_pRun->m_setupReport.TextUtf8();
            EXPECT_FALSE(IsShown(*pMain, IDOK));
            EXPECT_TRUE(IsShown(*pMain, IDCANCEL));
            EXPECT_FALSE(IsShown(*pMain, IDC_ERROR_DETAIL));
            // Where run-cancel stood.
            EXPECT_EQ(ControlRect(*pMain, IDC_DONE).left, 245);
            EXPECT_EQ(ControlRect(*pMain, IDC_DONE).top, 408);
            EXPECT_TRUE(HasBitmapAt(Painted(*pMain), IDB_CONTACT_BANNER, 110, 298));
            stage = kDone;
            KeepScreenshot(*pMain, "run-completed");
            ClickAt(*pMain, 270, 420);  // 확인
            break;
          }
          default: break;
        }
      },
      90s);
  EXPECT_FALSE(app.InitInstance());
  unsetenv(CVamoSetupApp::kReportVariable);
  EXPECT_EQ(stage, kDone);
  EXPECT_EQ(pages, (std::vector<std::string>{"welcome", "main"}));
  EXPECT_EQ(app.ExitInstance(), 0);
  const std::string saved = ReadHostFile(kept);
  EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
  EXPECT_TRUE(saved.ends_with(Utf16Bytes("------- INSTALL END -------\r\n"))) << "the kept report is not the run's";
  // The run was the real one: the demo machine now has the plug-in.
  EXPECT_NE(ReadHostFile(platform::ToHostPath(CSetupFolders::InstalledVersionFile())).find("[VamoPlugin.dll]"),
            std::string::npos);
}

TEST_F(WizardRunTest, WithoutDnsTheRunFailsOnTheErrorPageWhichSavesTheReport) {
  if (!Inside()) return RunInsideLab({"dns-down=all"});

  TempDir folder;
  CWatchedApp app;
  enum { kWelcome, kRunning, kPage, kSaveDialog, kSaved, kPageClosed, kDone } stage = kWelcome;
  CDialogMain* pMain = nullptr;
  std::string strShown;
  FileDialogTyping saveDialog("다른 이름으로 저장");
  ModalHook hook(
      [&] {
        Window* pActive = Active();
        switch (stage) {
          case kWelcome:
            if (!dynamic_cast<CDialogWelcome*>(pActive) || !Shows(pActive)) break;
            stage = kRunning;
            ClickAt(*pActive, 270, 420);
            break;
          case kRunning:  // the run goes by itself until it fails
            if (!(pMain = dynamic_cast<CDialogMain*>(pActive)) || !IsShown(*pMain, IDC_ERROR_DETAIL)) break;
            EXPECT_FALSE(IsShown(*pMain, IDOK));
            EXPECT_TRUE(IsShown(*pMain, IDC_DONE));
            EXPECT_EQ(app.m_pRun->m_pWorkerThread, nullptr);
            EXPECT_EQ(app.m_pRun->m_errorInfo.m_nCode, kErrNetDns);
            EXPECT_EQ(PhaseNumber(app.m_pRun->GetPhase()), 1);
            strShown = app.m_pRun->ErrorMessageText();
            EXPECT_EQ(strShown, "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]");
            // The message closes the report, a line of its own.
            EXPECT_TRUE(app.m_pRun->m_setupReport.TextUtf8().ends_with("]\r\n" + strShown))
                << app.m_pRun->m_setupReport.TextUtf8();
            stage = kPage;
            KeepScreenshot(*pMain, "run-failed-dns");
            ClickAt(*pMain, 60, 221);  // 오류내용 자세히 보기
            break;
          case kPage:
            if (!dynamic_cast<CDialogError*>(pActive) || !Shows(pActive)) break;
            EXPECT_EQ(static_cast<CDialogError*>(pActive)->MessageText(), strShown);
            stage = kSaveDialog;
            KeepScreenshot(*pActive, "run-error-page");
            ClickAt(*pActive, 190, 270);  // 저장
            break;
          case kSaveDialog:
            // The name typed has no extension; the page adds ".rpt".
            if (!saveDialog.Shown()) break;
            stage = kSaved;
            EXPECT_TRUE(saveDialog.Type(folder.Path() + "/report"));
            break;
          case kSaved: {
            saveDialog.RetypeIfStillShown();  // ticks nested in it may move on
            const std::string saved = ReadHostFile(folder.Path() + "/report.rpt");
            if (stage != kSaved || saved.empty() || !dynamic_cast<CDialogError*>(pActive) || !pActive->IsWindowEnabled()) break;
            EXPECT_FALSE(fs::exists(folder.Path() + "/report")) << "saved without the extension";
            const std::u16string& report = app.m_pRun->m_setupReport.Text();
            EXPECT_EQ(saved.size(), 2 + 2 * report.size());
            EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
            EXPECT_EQ(saved.compare(2, std::string::npos, reinterpret_cast<const char*>(report.data()),
                                    2 * report.size()),
                      0);
            stage = kPageClosed;
            ClickAt(*pActive, 285, 270);  // 닫기
            break;
          }
          case kPageClosed:  // the page is gone and the window takes input again
            if (dynamic_cast<CDialogError*>(pActive) || !pMain->IsWindowEnabled()) break;
            stage = kDone;
            ClickAt(*pMain, 270, 420);  // 확인
            break;
          default: break;
        }
      },
      90s);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(stage, kDone);
}

// The update server sends slowly, so that the install is still on its first
// items when × is clicked, however loaded the machine.
TEST_F(WizardRunTest, ClosingDuringTheInstallEndsOnlyAfterTheWorkerStopped) {
  if (!Inside()) return RunInsideLab({"update-speed=slow"});

  CRunRecord record;
  CWatchedApp app;
  app.m_pRecord = &record;
  enum { kWelcome, kRunning, kClosed } stage = kWelcome;
  ModalHook hook(
      [&] {
        Window* pActive = Active();
        switch (stage) {
          case kWelcome:
            if (!dynamic_cast<CDialogWelcome*>(pActive) || !Shows(pActive)) break;
            stage = kRunning;
            ClickAt(*pActive, 270, 420);
            break;
          case kRunning: {
            // Once the install works on its first item, × is clicked.
            auto* pMain = dynamic_cast<CDialogMain*>(pActive);
            if (!pMain || !record.bInstallRunning || app.m_pRun->TakeSnapshot().m_nCountCurrent < 1) break;
            EXPECT_FALSE(record.bInstallEnded) << "the install ended before the window was closed";
            stage = kClosed;
            ClickAt(*pMain, 525, 22);
            break;
          }
          default: break;
        }
      },
      90s);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(stage, kClosed);
  // The window's end waited for the worker: when start-up let the run go,
  // the install had seen the stop flag before its next item and ended, and
  // no worker was left.
  EXPECT_TRUE(record.bGone);
  EXPECT_TRUE(record.bInstallEndedBeforeGone);
  EXPECT_FALSE(record.bWorkerLeft);
  EXPECT_EQ(record.nInstallResult, kErrInstallItems);
}

// ------------------------------------------------- the program's network guard

// vamo-setup as a program, its standard error in a file; DISPLAY is the
// test's X server and VAMO_HOST_NETWORK is not set.
pid_t SpawnSetup(const std::string& errPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string program = VAMO_SETUP_PATH;
  char* argv[] = {program.data(), nullptr};
  std::vector<char*> envp;
  const std::string variable = std::string(platform::net::kHostNetworkVariable) + "=";
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind(variable, 0) != 0) envp.push_back(*e);
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int nError = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return nError == 0 ? pid : -1;
}

// Starts the program, answers its first window with Escape (which cancels
// the welcome page and closes the refusal box; neither starts a run), and
// returns its exit status and standard error.
ToolOutput StartAndEscape() {
  TempDir folder;
  ToolOutput result;
  const pid_t pid = SpawnSetup(folder.Path() + "/err");
  if (pid < 0) return result;
  const bool bShown = RunPumping({"xdotool", "search", "--sync", "--onlyvisible", "--name", kWizardTitle,
                                  "windowfocus", "--sync", "%1"},
                                 20s) == 0;
  if (bShown) RunPumping({"xdotool", "sleep", "0.3", "key", "Escape"});
  int status = -1;
  if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 15s)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  if (bShown && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  result.err = ReadHostFile(folder.Path() + "/err");
  return result;
}

TEST_F(WizardRunTest, TheProgramStartsOnlyInANetworkMadeForIt) {
  if (!Inside()) {
    if (IsSkipped()) return;
    // Here, in the machine's network, it refuses with a box and exit status 1.
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    const ToolOutput refused = StartAndEscape();
    EXPECT_EQ(refused.exitStatus, 1) << refused.err;
    EXPECT_NE(refused.err.find("refusing to probe this machine's own network"), std::string::npos) << refused.err;
    return RunInsideLab();
  }
  // In the lab it starts: the first window is the welcome page.
  const ToolOutput started = StartAndEscape();
  EXPECT_EQ(started.exitStatus, 0) << started.err;
  EXPECT_EQ(started.err.find("refusing"), std::string::npos) << started.err;
}

}  // namespace
