// VamoSetup.exe, the wizard users run, under Wine inside the network lab
// whose update host serves the Windows demo release: which page comes
// first, the run going by itself from Next to its end, the failed run's
// error page saving the report through the system's save dialog, the single
// instance and the browser prompt, all through real X input. Each page is
// told by its pixels: the bitmaps of the Linux build's picture of it
// (docs/screenshots/wizard) must all be there, the text within the
// tolerance of ScreenCompare.h. With VAMO_TEST_SCREENSHOT_DIR set, the
// pictures are kept there for docs/screenshots/wizard-win32.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/NetworkLab.h"
#include "tests/support/Utf16Bytes.h"
#include "tests/support/WineDesktop.h"
#include "tests/support/WineInLab.h"
#include "tests/wine-ui/WizardScreenRegions.h"
#include "ui/DialogSkin.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kRelease = VAMO_DEMO_RELEASE_WIN32;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class WizardUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    m_strProgram = Win32Program("app/VamoSetup.exe");
    if (m_strProgram.empty()) GTEST_SKIP() << "no VamoSetup.exe in the Windows build (build-win32 or $VAMO_WIN32_BUILD)";
    m_strTrustRoots = WineInLab::TrustRootsPath();
    if (m_strTrustRoots.empty()) GTEST_SKIP() << "no trust-roots.exe in the Windows build";
    if (!fs::exists(kRelease + "/site")) GTEST_SKIP() << "no Windows demo release (" << kRelease << ")";
    if (!NetworkLab::InsideLab()) {
      VAMO_REQUIRE_LAB();
      return;
    }
    // The demo machine: the lab's servers and the release's publisher are
    // trusted, and the plug-in the list removes is there.
    WineDesktop::Options options;
    options.strLabAddress = NetworkLab::InsideValue("client_addr");
    m_pDesktop = std::make_unique<WineDesktop>(options);
    ASSERT_TRUE(m_pDesktop->IsReady()) << m_pDesktop->Error();
    const ToolOutput trusted =
        m_pDesktop->Run({m_strTrustRoots, "Z:" + NetworkLab::InsideValue("ca"), "Z:" + kRelease + "/pki/ca.pem"});
    ASSERT_EQ(trusted.exitStatus, 0) << trusted.out << trusted.err;
    WineInLab::PlaceObsoletePlugin(m_pDesktop->DriveC());
  }

  // The test's outer half: the shared lab serving the release, with these
  // switches, then the test again inside its client namespace.
  static void RunInsideLab(const std::vector<std::string>& switches = {},
                           std::chrono::seconds limit = kLabCommandLimit) {
    NetworkLab& lab = SharedNetworkLab();
    ASSERT_TRUE(lab.IsUp()) << lab.Error();
    std::vector<std::string> all{"defaults"};
    all.insert(all.end(), switches.begin(), switches.end());
    ASSERT_TRUE(lab.Set(all)) << lab.Error();
    ASSERT_TRUE(lab.Publish(kRelease + "/site")) << lab.Error();
    // The inner half is bounded like every lab command; a prefix booted here
    // once, inside the lab, leaves it the copy and the run.
    const std::string& templ = TemplateInLab(lab);
    ASSERT_FALSE(templ.empty()) << "wineboot inside the lab failed";
    EXPECT_TRUE(lab.RunCurrentTestInside({"VAMO_WINE_TEMPLATE=" + templ}, limit));
  }

  static const std::string& TemplateInLab(const NetworkLab& lab) {
    static const std::string root = [] {
      std::string dir = (fs::temp_directory_path() / "vamo-wine-wizard.XXXXXX").string();
      return mkdtemp(dir.data()) ? dir : std::string();
    }();
    static const std::string templ = [&lab] {
      if (root.empty()) return std::string();
      std::atexit([] {
        std::error_code ignored;
        fs::remove_all(root, ignored);
      });
      const ToolOutput boot = lab.Run({VAMO_WINE_RUN, "--template", root + "/prefix"});
      return boot.exitStatus == 0 ? root + "/prefix" : std::string();
    }();
    return templ;
  }

  // Waits until a window shows the page of that name: its picture taken
  // again and again until every bitmap of the Linux build's picture is
  // there (a blinking step is in the Linux picture's state only every other
  // half second) and the text is within the tolerance. Keeps the last
  // picture when asked to.
  ::testing::AssertionResult WaitForPage(uint64_t window, const std::string& name,
                                         std::chrono::milliseconds timeout = 120s) {
    const WizardScreen* screen = FindWizardScreen(name);
    const fs::path docs = fs::path(VAMO_SOURCE_DIR) / "docs/screenshots/wizard";
    const std::optional<ScreenImage> want = ScreenImage::Load(docs / (name + ".png"));
    if (!screen || !want) return ::testing::AssertionFailure() << "no Linux picture of " << name;
    const std::string shot = m_pDesktop->DriveC() + "/" + name + ".png";
    std::string report;
    const bool bShown = WaitUntil(
        [&] {
          report = "no picture of the window could be taken (is it gone?)";
          if (!m_pDesktop->Capture(window, shot)) return false;
          report.clear();
          const std::optional<ScreenImage> got = ScreenImage::Load(shot);
          return got && AllSame(CompareScreens(WithSettledParts(*screen, *want, *got), *got, screen->text), &report);
        },
        timeout);
    if (const char* keep = std::getenv("VAMO_TEST_SCREENSHOT_DIR"); keep && *keep && fs::exists(shot))
      fs::copy_file(shot, fs::path(keep) / (name + ".png"), fs::copy_options::overwrite_existing);
    if (bShown) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the window never showed " << name << ":\n" << report;
  }

  // Starts the wizard and waits for its first window.
  uint64_t StartWizard() {
    m_pid = m_pDesktop->Start({m_strProgram});
    EXPECT_GT(m_pid, 0);
    const std::optional<uint64_t> window = m_pDesktop->WaitForWindow(kWizardTitle, 60s);
    EXPECT_TRUE(window.has_value()) << "no window: " << m_pDesktop->OutputOf(m_pid);
    return window.value_or(0);
  }

  // The window of the wizard's title that is not `other`.
  std::optional<uint64_t> WaitForAnotherWindow(uint64_t other) {
    std::optional<uint64_t> found;
    WaitUntil(
        [&] {
          for (uint64_t window : m_pDesktop->VisibleWindows(kWizardTitle))
            if (window != other) found = window;
          return found.has_value();
        },
        30s);
    return found;
  }

  // The report the wizard keeps at its end (VAMO_SETUP_REPORT), on the
  // machine's drive C:, as the lines a failure message can show.
  static constexpr char kReportOnMachine[] = "C:\\run.rpt";
  std::string ReportText(std::optional<int> exitStatus) const {
    std::string text = "the wizard's exit status: " + (exitStatus ? std::to_string(*exitStatus) : "none") + "\n";
    const std::string bytes = ReadBytes(m_pDesktop->DriveC() + "/run.rpt");
    // UTF-16LE; the report's own words (item names, codes) are ASCII.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      if (bytes[i + 1] == 0 && bytes[i] != '\r') text += bytes[i];
    return text;
  }

  // A whole run under Wine: the prefix's copy, the analyses, the downloads
  // and the install, each page waited for, on a machine the suite shares.
  static constexpr std::chrono::seconds kWholeRunLimit{420};

  std::string m_strProgram, m_strTrustRoots;
  std::unique_ptr<WineDesktop> m_pDesktop;
  int m_pid = -1;
};

TEST_F(WizardUnderWine, WelcomeFirstThenNextRunsToTheEndWhichTheDoneButtonCloses) {
  if (!NetworkLab::InsideLab()) return RunInsideLab({}, kWholeRunLimit);
  setenv("VAMO_SETUP_REPORT", kReportOnMachine, 1);
  const uint64_t welcome = StartWizard();
  ASSERT_NE(welcome, 0u);
  ASSERT_TRUE(WaitForPage(welcome, "welcome", 30s));
  ASSERT_TRUE(m_pDesktop->Click(welcome, 270, 420));  // 다음
  // From here the run goes by itself; nothing is clicked until it ended.
  // The main window has the welcome page's title: it is the other one.
  const std::optional<uint64_t> main = WaitForAnotherWindow(welcome);
  ASSERT_TRUE(main.has_value()) << "no main window";
  const ::testing::AssertionResult completed = WaitForPage(*main, "run-completed", 240s);
  ASSERT_TRUE(m_pDesktop->Click(*main, 270, 420));  // 확인
  // The run's report, kept by the wizard as it ends, says what went wrong.
  ASSERT_TRUE(completed) << ReportText(m_pDesktop->WaitForExit(m_pid, 30s));
  EXPECT_TRUE(m_pDesktop->WaitForWindowGone(kWizardTitle, 30s));
  EXPECT_EQ(m_pDesktop->WaitForExit(m_pid, 30s), std::optional<int>(0)) << m_pDesktop->OutputOf(m_pid);
}

TEST_F(WizardUnderWine, WithoutDnsTheErrorPageSavesTheReportThroughTheSaveDialog) {
  if (!NetworkLab::InsideLab()) return RunInsideLab({"dns-down=all"}, kWholeRunLimit);
  const uint64_t welcome = StartWizard();
  ASSERT_NE(welcome, 0u);
  ASSERT_TRUE(WaitForPage(welcome, "welcome", 30s));
  ASSERT_TRUE(m_pDesktop->Click(welcome, 270, 420));
  const std::optional<uint64_t> main = WaitForAnotherWindow(welcome);
  ASSERT_TRUE(main.has_value()) << "no main window";
  ASSERT_TRUE(WaitForPage(*main, "run-failed-dns", 240s));
  ASSERT_TRUE(m_pDesktop->Click(*main, 60, 221));  // 오류내용 자세히 보기
  const std::optional<uint64_t> page = WaitForAnotherWindow(*main);
  ASSERT_TRUE(page.has_value()) << "no error page";
  ASSERT_TRUE(WaitForPage(*page, "run-error-page", 30s));
  ASSERT_TRUE(m_pDesktop->Click(*page, 190, 270));  // 저장
  const std::optional<WineDesktop::Focus> entry = m_pDesktop->WaitForFocus("#32770", "Edit", 60s);
  ASSERT_TRUE(entry.has_value()) << "the save dialog's name entry never had the focus";
  // No extension: the page adds ".rpt".
  ASSERT_TRUE(m_pDesktop->Type("C:\\report"));
  ASSERT_TRUE(m_pDesktop->Key("Return"));
  const std::string saved = m_pDesktop->DriveC() + "/report.rpt";
  ASSERT_TRUE(WaitUntil([&] { return m_pDesktop->VisibleWindows(entry->strWindowTitle).empty(); }, 30s));
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(saved) && fs::file_size(saved) > 2; }, 30s));
  const std::string bytes = ReadBytes(saved);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.size() % 2, 0u);
  // The report, UTF-16LE, closed by the run's message on a line of its own.
  const std::vector<uint8_t> tail =
      Utf16LeBytes(u"]\r\n1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]", false);
  EXPECT_TRUE(bytes.ends_with(std::string(tail.begin(), tail.end())));
  EXPECT_FALSE(fs::exists(m_pDesktop->DriveC() + "/report")) << "saved without the extension";
  ASSERT_TRUE(m_pDesktop->Click(*page, 285, 270));  // 닫기
  ASSERT_TRUE(WaitUntil([&] { return m_pDesktop->VisibleWindows(kWizardTitle).size() == 1; }, 30s));
  ASSERT_TRUE(m_pDesktop->Click(*main, 270, 420));  // 확인
  EXPECT_EQ(m_pDesktop->WaitForExit(m_pid, 30s), std::optional<int>(0)) << m_pDesktop->OutputOf(m_pid);
}

TEST_F(WizardUnderWine, ASecondStartBringsTheFirstWindowBackAndEnds) {
  if (!NetworkLab::InsideLab()) return RunInsideLab();
  const uint64_t welcome = StartWizard();
  ASSERT_NE(welcome, 0u);
  ASSERT_TRUE(WaitForPage(welcome, "welcome", 30s));
  const int second = m_pDesktop->Start({m_strProgram});
  ASSERT_GT(second, 0);
  EXPECT_TRUE(m_pDesktop->WaitForExit(second, 60s).has_value()) << "the second start did not end";
  EXPECT_EQ(m_pDesktop->VisibleWindows(kWizardTitle), std::vector<uint64_t>{welcome});
  const std::optional<WineDesktop::Focus> focus = m_pDesktop->CurrentFocus();
  ASSERT_TRUE(focus.has_value());
  EXPECT_EQ(focus->strWindowTitle, kWizardTitle) << "the first window is not the foreground one";
  EXPECT_FALSE(m_pDesktop->WaitForExit(m_pid, 10ms).has_value()) << "the first start ended";
}

TEST_F(WizardUnderWine, WithABrowserRunningThePromptComesFirst) {
  if (!NetworkLab::InsideLab()) return RunInsideLab();
  // A program of a browser's image name in the same prefix.
  const std::string browser = m_pDesktop->DriveC() + "/chrome.exe";
  fs::copy_file(Win32Program("tests/wine-ui/window-probe.exe"), browser);
  ASSERT_GT(m_pDesktop->Start({browser, "browser"}), 0);
  ASSERT_TRUE(m_pDesktop->WaitForWindow("browser", 60s).has_value());
  const uint64_t prompt = StartWizard();
  ASSERT_NE(prompt, 0u);
  EXPECT_TRUE(WaitForPage(prompt, "browser-1", 30s));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new SharedLabEnvironment);
  return RUN_ALL_TESTS();
}
