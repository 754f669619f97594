#include "platform/sim/Prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/TempPrefix.h"

namespace {

TEST(Prefix, NewPrefixHasTheStandardFoldersAndWindows7Facts) {
  TempPrefix prefix;
  std::string user = platform::UserName();
  for (auto folder : {platform::KnownFolder::kWindows, platform::KnownFolder::kSystem,
                      platform::KnownFolder::kProgramFiles, platform::KnownFolder::kProgramData,
                      platform::KnownFolder::kLocalAppData, platform::KnownFolder::kLocalAppDataLow,
                      platform::KnownFolder::kRoamingAppData}) {
    EXPECT_TRUE(platform::fs::DirectoryExists(platform::GetKnownFolder(folder))) << platform::GetKnownFolder(folder);
  }
  EXPECT_EQ(platform::GetKnownFolder(platform::KnownFolder::kSystem), "C:\\Windows\\System32");
  EXPECT_EQ(platform::GetKnownFolder(platform::KnownFolder::kLocalAppDataLow),
            "C:\\Users\\" + user + "\\AppData\\LocalLow");
  EXPECT_TRUE(std::filesystem::is_directory(prefix.Root() + "/certs/root"));
  EXPECT_TRUE(std::filesystem::is_directory(prefix.Root() + "/certs/disallowed"));

  platform::WindowsVersion version = platform::GetWindowsVersion();
  EXPECT_EQ(version.majorVersion, 6u);
  EXPECT_EQ(version.minorVersion, 1u);
  EXPECT_EQ(version.buildNumber, 7601u);
  EXPECT_EQ(version.csdVersion, "Service Pack 1");
  EXPECT_EQ(version.servicePackMajor, 1u);
  EXPECT_EQ(version.productType, 1u);
  EXPECT_EQ(platform::GetSystemBits(), "64");
  EXPECT_EQ(platform::GetSystemLanguage(), 0x0412);
}

TEST(Prefix, OtherVersionFactsComeFromTheRegistry) {
  platform::PrefixOptions xp;
  xp.majorVersion = 5;
  xp.minorVersion = 1;
  xp.buildNumber = 2600;
  xp.servicePackMajor = 3;
  xp.architecture = "x86";
  xp.systemLanguage = 0x0409;
  TempPrefix prefix(xp);
  platform::WindowsVersion version = platform::GetWindowsVersion();
  EXPECT_EQ(version.majorVersion, 5u);
  EXPECT_EQ(version.minorVersion, 1u);
  EXPECT_EQ(version.buildNumber, 2600u);
  EXPECT_EQ(version.csdVersion, "Service Pack 3");
  EXPECT_EQ(platform::GetSystemBits(), "32");
  EXPECT_EQ(platform::GetSystemLanguage(), 0x0409);

  // A test may change a single fact by writing its value.
  platform::RegKey key;
  ASSERT_EQ(key.Open(platform::RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), 0u);
  ASSERT_EQ(key.SetDword("CurrentMajorVersionNumber", 10), 0u);
  ASSERT_EQ(key.SetDword("CurrentMinorVersionNumber", 0), 0u);
  EXPECT_EQ(platform::GetWindowsVersion().majorVersion, 10u);
}

TEST(Prefix, IsCreatedOnFirstUse) {
  TempDir dir;
  std::string root = dir.Path() + "/fresh";
  const char* old = std::getenv("VAMO_PREFIX");
  std::string saved = old ? old : "";
  setenv("VAMO_PREFIX", root.c_str(), 1);
  platform::ResetPrefixForTesting();
  EXPECT_EQ(platform::PrefixRoot(), root);
  EXPECT_TRUE(std::filesystem::is_directory(root + "/drive_c/Windows/System32"));
  EXPECT_TRUE(std::filesystem::exists(root + "/registry/machine.reg"));
  if (old) {
    setenv("VAMO_PREFIX", saved.c_str(), 1);
  } else {
    unsetenv("VAMO_PREFIX");
  }
  platform::ResetPrefixForTesting();
}

TEST(Prefix, EnvironmentStringsExpandToKnownFolders) {
  TempPrefix prefix;
  EXPECT_EQ(platform::ExpandEnvironmentText("%AllUsersProfile%\\x"), "C:\\ProgramData\\x");
  EXPECT_EQ(platform::ExpandEnvironmentText("%WINDIR%;%unknown%;100%"), "C:\\Windows;%unknown%;100%");
  EXPECT_EQ(platform::ExpandEnvironmentText("%%SystemRoot%"), "%C:\\Windows");
}

}  // namespace
