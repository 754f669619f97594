// The harness that drives Windows programs under Wine (WineDesktop), held
// against a small Windows program of our own (window-probe.exe): windows
// found by title once mapped, clicks arriving at the client point, the
// system's save dialog typed into once its entry has the focus, and
// programs ending with their status. Every case has its own Wine prefix and
// X server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/NetworkLab.h"
#include "tests/support/ScreenCompare.h"
#include "tests/support/WineDesktop.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kTitle = "프로브 창";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf16Bytes(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

class WineDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_strProbe = Win32Program("tests/wine-ui/window-probe.exe");
    if (m_strProbe.empty()) GTEST_SKIP() << "no Windows build (build-win32 or $VAMO_WIN32_BUILD) with window-probe.exe";
    if (!fs::exists("/usr/bin/wine64") && !fs::exists("/usr/lib/wine/wine64")) GTEST_SKIP() << "no wine64";
    m_pDesktop = std::make_unique<WineDesktop>();
    ASSERT_TRUE(m_pDesktop->IsReady()) << m_pDesktop->Error();
  }

  // Starts the probe and waits for its window.
  uint64_t StartProbe() {
    m_pid = m_pDesktop->Start({m_strProbe, kTitle});
    EXPECT_GT(m_pid, 0);
    const std::optional<uint64_t> window = m_pDesktop->WaitForWindow(kTitle, 60s);
    EXPECT_TRUE(window.has_value()) << "the probe's window never showed: " << m_pDesktop->OutputOf(m_pid);
    return window.value_or(0);
  }

  std::string m_strProbe;
  std::unique_ptr<WineDesktop> m_pDesktop;
  int m_pid = -1;
};

TEST_F(WineDesktopTest, ClicksArriveAsButtonDownAtTheClientPoint) {
  const uint64_t window = StartProbe();
  ASSERT_NE(window, 0u);
  for (const auto& [x, y] : {std::pair{40, 30}, std::pair{300, 10}}) {
    const std::string renamed = kTitle + " clicked " + std::to_string(x) + "," + std::to_string(y);
    ASSERT_TRUE(m_pDesktop->Click(window, x, y));
    EXPECT_TRUE(m_pDesktop->WaitForWindow(renamed, 20s).has_value()) << "no WM_LBUTTONDOWN at " << x << "," << y;
  }
  // Windows' own view: the probe is the foreground window of another
  // process in the same prefix.
  const std::optional<WineDesktop::Focus> focus = m_pDesktop->CurrentFocus();
  ASSERT_TRUE(focus.has_value());
  EXPECT_EQ(focus->strWindowClass, "VamoWindowProbe");
  EXPECT_EQ(focus->strWindowTitle, kTitle + " clicked 300,10");
  // The window's picture is the window alone: its size, one background
  // colour where nothing is drawn, and the buttons on it.
  const std::string shot = m_pDesktop->DriveC() + "/probe.png";
  ASSERT_TRUE(m_pDesktop->Capture(window, shot));
  const std::optional<ScreenImage> image = ScreenImage::Load(shot);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->Width(), 320);
  EXPECT_EQ(image->Height(), 200);
  EXPECT_EQ(image->At(5, 5), image->At(160, 100));
  EXPECT_NE(image->At(21, 151), image->At(160, 100)) << "no Save button's edge";
}

TEST_F(WineDesktopTest, TheSaveDialogTakesTheNameTypedOnceItsEntryHasTheFocus) {
  const uint64_t window = StartProbe();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(m_pDesktop->Click(window, 70, 165));  // Save
  const std::optional<WineDesktop::Focus> entry = m_pDesktop->WaitForFocus("#32770", "Edit", 60s);
  ASSERT_TRUE(entry.has_value()) << "the save dialog's name entry never had the focus";
  const std::string dialogTitle = entry->strWindowTitle;
  // Typed as Windows sees it: a Windows path, no extension (the dialog adds it).
  ASSERT_TRUE(m_pDesktop->Type("C:\\saved-probe"));
  ASSERT_TRUE(m_pDesktop->Key("Return"));
  ASSERT_TRUE(m_pDesktop->WaitForWindow(kTitle + " saved", 30s).has_value());
  EXPECT_TRUE(m_pDesktop->WaitForWindowGone(dialogTitle, 10s));
  EXPECT_EQ(ReadBytes(m_pDesktop->DriveC() + "/saved-probe.rpt"), "\xFF\xFE" + Utf16Bytes("probe report\r\n"));
  EXPECT_FALSE(fs::exists(m_pDesktop->DriveC() + "/saved-probe"));
}

TEST_F(WineDesktopTest, AProgramEndsWithItsStatusAndItsWindowGoes) {
  const uint64_t window = StartProbe();
  ASSERT_NE(window, 0u);
  // Still running: the wait ends at its deadline and says so.
  EXPECT_FALSE(m_pDesktop->WaitForExit(m_pid, 200ms).has_value());
  ASSERT_TRUE(m_pDesktop->Click(window, 250, 165));  // Close
  EXPECT_TRUE(m_pDesktop->WaitForWindowGone(kTitle, 30s));
  EXPECT_EQ(m_pDesktop->WaitForExit(m_pid, 30s), std::optional<int>(7));
  EXPECT_TRUE(m_pDesktop->VisibleWindows(kTitle).empty());
}

TEST_F(WineDesktopTest, WaitsForWhatNeverComesEndAtTheirDeadline) {
  EXPECT_FALSE(m_pDesktop->WaitForWindow("no such window", 1s).has_value());
  EXPECT_FALSE(m_pDesktop->WaitForFocus("#32770", "Edit", 1s).has_value());
  EXPECT_FALSE(m_pDesktop->WaitForExit(12345678, 10ms).has_value()) << "a PID not started here is never waited on";
}

// Inside a lab's client namespace the template is booted there, and every
// program started finds the lab's marker in the prefix and its windows on
// the test's display.
TEST(WineDesktopInLab, ThePrefixCarriesTheLabsMarkerAndShowsItsPrograms) {
  const std::string probe = Win32Program("tests/wine-ui/window-probe.exe");
  if (probe.empty()) GTEST_SKIP() << "no Windows build (build-win32 or $VAMO_WIN32_BUILD) with window-probe.exe";
  if (!NetworkLab::InsideLab()) {
    VAMO_REQUIRE_LAB();
    NetworkLab lab;
    ASSERT_TRUE(lab.IsUp()) << lab.Error();
    EXPECT_TRUE(lab.RunCurrentTestInside());
    return;
  }
  WineDesktop::Options options;
  options.strLabAddress = NetworkLab::InsideValue("client_addr");
  ASSERT_FALSE(options.strLabAddress.empty());
  WineDesktop desktop(options);
  ASSERT_TRUE(desktop.IsReady()) << desktop.Error();
  const int pid = desktop.Start({probe, kTitle});
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(desktop.WaitForWindow(kTitle, 60s).has_value()) << desktop.OutputOf(pid);
  const ToolOutput marker =
      desktop.Run({"reg.exe", "query", "HKLM\\SOFTWARE\\VamoSetup\\LabNetwork", "/v", "ClientAddress"});
  EXPECT_EQ(marker.exitStatus, 0) << marker.err;
  EXPECT_NE(marker.out.find(options.strLabAddress), std::string::npos) << marker.out;
}

}  // namespace
