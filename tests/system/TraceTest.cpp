#include "system/Trace.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "system/SetupFolders.h"
#include "system/Settings.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/TempPrefix.h"

namespace {

// Trace lines go to standard error and to VAMO_DEBUG_LOG; the test reads the
// log file.
struct TraceTest : ::testing::Test {
  TraceTest() {
    logPath = logDir.Path() + "/trace.log";
    setenv("VAMO_DEBUG_LOG", logPath.c_str(), 1);
    platform::fs::CreateDirectoryPath(CSetupFolders::InstallFolder());
  }
  ~TraceTest() override { unsetenv("VAMO_DEBUG_LOG"); }
  void SetSwitch(const std::string& value) {
    platform::fs::WriteFileAtomic(CSetupFolders::InstalledVersionFile(), "[GENERAL]\r\nDEBUG=" + value + "\r\n");
  }
  std::string Log() { return ReadHostFile(logPath); }

  TempPrefix prefix;
  TempDir logDir;
  std::string logPath;
};

TEST_F(TraceTest, WritesPrefixedLineWhenSwitchedOn) {
  SetSwitch("TRACE");
  Trace("FileDownload()");
  Trace("Section [%s] %d", "a.dll", -9101);
  EXPECT_EQ(Log(), "[VamoUpdater3] FileDownload()\n[VamoUpdater3] Section [a.dll] -9101\n");
}

TEST_F(TraceTest, StaysSilentUnlessTheSwitchIsExactlyTrace) {
  Trace("no installed file");
  SetSwitch("trace");
  Trace("lower case");
  SetSwitch("TRACE ");  // trimmed by the profile rules: still on
  Trace("on");
  EXPECT_EQ(Log(), "[VamoUpdater3] on\n");
}

TEST_F(TraceTest, SwitchIsReadAfreshForEveryLine) {
  SetSwitch("TRACE");
  Trace("one");
  SetSwitch("OFF");
  Trace("two");
  SetSwitch("TRACE");
  Trace("three");
  EXPECT_EQ(Log(), "[VamoUpdater3] one\n[VamoUpdater3] three\n");
}

TEST_F(TraceTest, OverlongMessageIsCutToTheLineBuffer) {
  SetSwitch("TRACE");
  std::string longText;
  for (int i = 0; i < 5000; ++i) longText += "가";
  Trace("%s", longText.c_str());
  std::string log = Log();
  ASSERT_EQ(log.back(), '\n');
  // 4096 units in all: prefix (15) + 4079 syllables + "\n" + the NUL.
  EXPECT_EQ(log.size(), 15u + 4079u * 3u + 1u);
}

TEST_F(TraceTest, FollowsTheInstallFolderOfTheWindowsVersion) {
  EXPECT_TRUE(CSetupFolders::IsVistaOrLater());
  EXPECT_EQ(CSetupFolders::InstallFolder(), "C:\\Users\\" + platform::UserName() + "\\AppData\\LocalLow\\VamoPlugin");
  EXPECT_EQ(CSetupFolders::TempFolder(), CSetupFolders::InstallFolder() + "\\temp");
}

TEST(SetupFoldersXp, UseLocalAppDataBeforeVista) {
  platform::PrefixOptions xp;
  xp.majorVersion = 5;
  xp.minorVersion = 1;
  xp.buildNumber = 2600;
  TempPrefix prefix(xp);
  EXPECT_FALSE(CSetupFolders::IsVistaOrLater());
  EXPECT_EQ(CSetupFolders::InstallFolder(), "C:\\Users\\" + platform::UserName() + "\\AppData\\Local\\VamoPlugin");
}

TEST(Settings, ReadsAndWritesOneValue) {
  TempPrefix prefix;
  CSettings::Write("C:\\settings.ini", "GENERAL", "VERSION", "1.0.1.8");
  EXPECT_EQ(CSettings::Read("C:\\settings.ini", "general", "version"), "1.0.1.8");
  EXPECT_EQ(CSettings::Read("C:\\settings.ini", "GENERAL", "missing"), "");
  EXPECT_EQ(CSettings::Read("C:\\missing.ini", "GENERAL", "VERSION"), "");
}

}  // namespace
