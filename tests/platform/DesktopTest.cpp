// The window layer's ties to the desktop, under a private X server: message
// boxes, the save dialog with its overwrite question, the default browser,
// and finding another process's window by its title.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/gui/DesktopWindows.h"
#include "platform/gui/FileDialog.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/PaintDC.h"
#include "platform/gui/Shell.h"
#include "platform/gui/UiThread.h"
#include "platform/gui/Window.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/XvfbSession.h"

extern char** environ;

using namespace platform::gui;
using namespace std::chrono_literals;

namespace {

class TimedWindow : public Window {
 public:
  void OnTimer(UINT_PTR nIDEvent) override {
    KillTimer(nIDEvent);
    if (auto it = actions.find(nIDEvent); it != actions.end()) it->second();
  }
  std::map<UINT_PTR, std::function<void()>> actions;
};

constexpr UINT_PTR kTypeTimer = 1;
constexpr UINT_PTR kWatchdogTimer = 2;

// Runs the keys once the dialog titled `title` is up (the timer fires inside
// the dialog's own loop). A watchdog presses Escape until the dialog is
// gone, so a key that went astray fails the test instead of hanging it.
void TypeIntoWindowLater(TimedWindow& window, const std::string& title, std::vector<std::string> keys) {
  window.actions[kTypeTimer] = [title, keys] {
    std::vector<std::string> argv{"xdotool", "search", "--sync", "--name", title, "windowfocus", "--sync", "%1"};
    for (const std::string& key : keys) argv.insert(argv.end(), {"sleep", "0.8", "key", key});
    RunPumping(argv, 20s);
  };
  window.actions[kWatchdogTimer] = [&window] {
    RunPumping({"xdotool", "key", "Escape"}, 5s);
    window.SetTimer(kWatchdogTimer, 2000);
  };
  window.SetTimer(kTypeTimer, 200);
  window.SetTimer(kWatchdogTimer, 30000);
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SharedXvfb().Ok()) << SharedXvfb().Error();
    ASSERT_TRUE(Initialize());
    ASSERT_TRUE(m_owner.CreateEx(0, "VamoOwner", "소유 창", WS_POPUP, {50, 50, 250, 150}, nullptr, 0));
    m_owner.ShowWindow(SW_SHOW);
  }
  TimedWindow m_owner;
};

TEST_F(DesktopTest, MessageBoxAnswersWithTheButtonPressed) {
  TypeIntoWindowLater(m_owner, "시작", {"Return"});
  EXPECT_EQ(MessageBox(m_owner.m_hWnd, "시작실패", "시작", MB_OK), IDOK);
  m_owner.KillTimer(kWatchdogTimer);
  TypeIntoWindowLater(m_owner, "질문", {"Escape"});
  EXPECT_EQ(MessageBox(m_owner.m_hWnd, "계속할까요?", "질문", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
  m_owner.KillTimer(kWatchdogTimer);
}

TEST_F(DesktopTest, SaveDialogProposesTheNameAndAsksBeforeReplacingAFile) {
  TempDir folder;
  const std::string name = "케보 전자결제 서비스 설치오류 (20201231).rpt";
  struct Case {
    bool exists;
    std::vector<std::string> keys;
    intptr_t result;
  };
  // A new name is accepted at once. An existing one brings the question:
  // Escape there goes back to the chooser (and a second Escape cancels
  // it), Enter replaces.
  for (const Case& c : {Case{false, {"Return"}, IDOK}, Case{true, {"Return", "Escape", "Escape"}, IDCANCEL},
                        Case{true, {"Return", "Return"}, IDOK}}) {
    if (c.exists) folder.WriteFile(name, "old");
    FileDialog dialog(FALSE, "", name, OFN_OVERWRITEPROMPT, "*.rpt||", &m_owner);
    dialog.m_strInitialDir = platform::ToWindowsPath(folder.Path());
    dialog.m_strTitle = "저장 시험";
    TypeIntoWindowLater(m_owner, "저장 시험", c.keys);
    const intptr_t result = dialog.DoModal();
    m_owner.KillTimer(kWatchdogTimer);
    ASSERT_EQ(result, c.result) << c.keys.size();
    if (c.result == IDOK) {
      EXPECT_EQ(dialog.GetPathName(), platform::ToWindowsPath(folder.Path() + "/" + name));
      EXPECT_EQ(dialog.GetFileExt(), "rpt");
      EXPECT_EQ(dialog.GetPathName().substr(0, 2), "Z:");
    }
  }
}

// ---------------------------------------------------------------- other processes
// The test program runs itself as the other process: these disabled tests
// are its entry points, chosen by environment variables.

int SpawnSelf(const std::string& test, const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string exe = "/proc/self/exe", also = "--gtest_also_run_disabled_tests", filter = "--gtest_filter=" + test;
  char* argv[] = {exe.data(), also.data(), filter.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) return -1;
  return pid;
}

class HelperWindow : public Window {
 public:
  void OnPaint() override {
    PaintDC dc(this);
    dc.FillSolidRect({0, 0, 200, 100}, RGB(226, 86, 168));
    painted = true;
  }
  bool painted = false;
};

TEST(HelperProcess, DISABLED_ShowsTitledWindowMinimisedUntilRestored) {
  const char* title = std::getenv("VAMO_HELPER_TITLE");
  ASSERT_NE(title, nullptr);
  ASSERT_TRUE(Initialize());
  HelperWindow window;
  ASSERT_TRUE(window.CreateEx(0, "VamoHelper", title, WS_POPUP, {600, 400, 800, 500}, nullptr, 0));
  window.ShowWindow(SW_SHOW);
  ASSERT_TRUE(WaitFor([&] { return window.painted; }));
  window.ShowWindow(SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return window.IsIconic(); })) << "the window manager did not minimise the window";
  // Ended by the test that started it; exits 0 once another process has
  // restored the window.
  ASSERT_TRUE(WaitFor([&] { return !window.IsIconic(); }, 20s)) << "not restored";
}

TEST(HelperProcess, DISABLED_OpensUrl) {
  const char* url = std::getenv("VAMO_HELPER_URL");
  ASSERT_NE(url, nullptr);
  EXPECT_TRUE(OpenUrlInBrowser(url));
}

int WaitForChild(int pid, std::chrono::milliseconds timeout) {
  int status = -1;
  const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Without a folder of the caller's, the save dialog opens where Windows'
// would: the current folder when it holds a file the filter shows, else the
// user's documents folder. On any screen it stays whole and within the
// screen. The toolkit reads the user's folders once per process, so the
// dialog runs in a helper process started with the folders of the test.
TEST_F(DesktopTest, DISABLED_SaveDialogWithoutAFolder) {
  const char* documents = std::getenv("VAMO_HELPER_DOCUMENTS");
  ASSERT_NE(documents, nullptr);
  const std::string current = std::filesystem::current_path();
  const std::string geometry = current + "/geometry";
  auto chooseAt = [&](const std::string& title) {
    FileDialog dialog(FALSE, "", "보고서.rpt", OFN_OVERWRITEPROMPT, "*.rpt||", &m_owner);
    dialog.m_strTitle = title;
    // A watchdog as for the other dialogs, and the keys of this test.
    TypeIntoWindowLater(m_owner, title, {});
    m_owner.actions[kTypeTimer] = [&] {
      RunPumping({"sh", "-c",
                  "xdotool search --sync --name '" + title + "' getwindowgeometry --shell %1 > '" + geometry + "'"},
                 20s);
      RunPumping({"xdotool", "search", "--name", title, "windowfocus", "--sync", "%1", "sleep", "0.8", "key",
                  "Return"});
    };
    const intptr_t result = dialog.DoModal();
    m_owner.KillTimer(kWatchdogTimer);
    EXPECT_EQ(result, IDOK);
    return dialog.GetPathName();
  };
  // No report here yet: the documents folder.
  EXPECT_EQ(chooseAt("저장 위치 1"), platform::ToWindowsPath(std::string(documents) + "/보고서.rpt"));
  // The screen is 1024 × 768; the chooser's own default size is larger.
  std::map<std::string, int> shape;
  std::istringstream lines(ReadHostFile(geometry));
  for (std::string line; std::getline(lines, line);)
    if (const size_t eq = line.find('='); eq != std::string::npos)
      shape[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
  EXPECT_GT(shape["WIDTH"], 0);
  EXPECT_GE(shape["X"], 0);
  EXPECT_GE(shape["Y"], 0);
  EXPECT_LE(shape["X"] + shape["WIDTH"], 1024);
  EXPECT_LE(shape["Y"] + shape["HEIGHT"], 768);
  // A report in the current folder: there.
  std::ofstream(current + "/지난 보고서.rpt") << "x";
  EXPECT_EQ(chooseAt("저장 위치 2"), platform::ToWindowsPath(current + "/보고서.rpt"));
}

TEST_F(DesktopTest, SaveDialogWithoutAFolderOpensWhereTheUserKeepsFilesAndStaysOnTheScreen) {
  TempDir home, current;
  const std::string documents = home.Path() + "/문서";
  std::filesystem::create_directories(documents);
  home.WriteFile("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + documents + "\"\n");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(current.Path());
  const int helper = SpawnSelf("DesktopTest.DISABLED_SaveDialogWithoutAFolder",
                               {"XDG_CONFIG_HOME=" + home.Path() + "/config", "VAMO_HELPER_DOCUMENTS=" + documents});
  std::filesystem::current_path(before);
  ASSERT_GT(helper, 0);
  EXPECT_EQ(WaitForChild(helper, 60s), 0);
}

TEST_F(DesktopTest, FindsAnotherProcesssMinimisedWindowByItsExactTitleAndRestoresIt) {
  ASSERT_TRUE(SharedXvfb().StartWindowManager()) << "openbox did not start";
  const std::string title = "Orin 전자결제 - 전자결제 마법사 " + std::to_string(getpid());
  const int helper =
      SpawnSelf("HelperProcess.DISABLED_ShowsTitledWindowMinimisedUntilRestored", {"VAMO_HELPER_TITLE=" + title});
  ASSERT_GT(helper, 0);
  DesktopWindowId found = 0;
  const bool minimised = WaitFor(
      [&] {
        found = FindDesktopWindow(title);
        return found != 0 && IsDesktopWindowIconic(found);
      },
      15s);
  if (minimised) {
    // Only the exact title matches.
    EXPECT_EQ(FindDesktopWindow(title.substr(0, title.size() - 1)), 0u);
    EXPECT_EQ(FindDesktopWindow(title + " "), 0u);
    EXPECT_EQ(FindDesktopWindow("소유 창"), GetNativeWindowId(m_owner.m_hWnd));
    EXPECT_TRUE(RestoreDesktopWindow(found));
  }
  const int exitStatus = minimised ? WaitForChild(helper, 15s) : WaitForChild(helper, 0ms);
  SharedXvfb().StopWindowManager();
  ASSERT_TRUE(minimised) << "the other process's window never showed up minimised";
  EXPECT_EQ(exitStatus, 0) << "the other process did not see its window restored";
  EXPECT_FALSE(IsDesktopWindowIconic(found));
  EXPECT_EQ(FindDesktopWindow(title), 0u);
}

TEST_F(DesktopTest, BrowserStartsWithTheAddressWithoutBeingWaitedFor) {
  TempDir home;
  const std::string out = home.Path() + "/opened.txt";
  const std::string release = home.Path() + "/release";
  // A desktop whose only web browser writes the address it was given into
  // a file, then stays until the test releases it: the caller must have
  // returned long before.
  const std::string script = home.WriteFile(
      "browser.sh", "#!/bin/sh\necho \"$1\" > '" + out + ".tmp'\nmv '" + out + ".tmp' '" + out +
                        "'\nfor i in $(seq 100); do [ -e '" + release + "' ] && break; sleep 0.1; done\n");
  chmod(script.c_str(), 0755);
  home.WriteFile("data/applications/vamo-test-browser.desktop",
                 "[Desktop Entry]\nType=Application\nName=Test Browser\nExec=" + script +
                     " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
  home.WriteFile("config/mimeapps.list",
                 "[Default Applications]\nx-scheme-handler/http=vamo-test-browser.desktop\n"
                 "x-scheme-handler/https=vamo-test-browser.desktop\n");
  const int helper = SpawnSelf("HelperProcess.DISABLED_OpensUrl",
                               {"VAMO_HELPER_URL=http://www.vamo.test/guide/action.html",
                                "XDG_DATA_HOME=" + home.Path() + "/data", "XDG_DATA_DIRS=" + home.Path() + "/data",
                                "XDG_CONFIG_HOME=" + home.Path() + "/config", "XDG_CONFIG_DIRS=" + home.Path() + "/config"});
  ASSERT_GT(helper, 0);
  int status = 0;
  waitpid(helper, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const bool opened = WaitFor([&] { return !ReadHostFile(out).empty(); }, 10s);
  home.WriteFile("release", "");
  ASSERT_TRUE(opened) << "the browser was not started";
  EXPECT_EQ(ReadHostFile(out), "http://www.vamo.test/guide/action.html\n");

  // A desktop without any browser: FALSE, nothing else happens.
  TempDir bare;
  const int lonely = SpawnSelf("HelperProcess.DISABLED_OpensUrl",
                               {"VAMO_HELPER_URL=http://www.vamo.test/", "XDG_DATA_HOME=" + bare.Path(),
                                "XDG_DATA_DIRS=" + bare.Path(), "XDG_CONFIG_HOME=" + bare.Path(),
                                "XDG_CONFIG_DIRS=" + bare.Path()});
  ASSERT_GT(lonely, 0);
  waitpid(lonely, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "OpenUrlInBrowser claimed success";
}

}  // namespace
