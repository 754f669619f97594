#include "system/FirefoxPrefs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/TempPrefix.h"

namespace {

std::string AllLines() {
  std::string all;
  for (const char* line : CFirefoxPrefs::kLines) all += line;
  return all;
}

void WriteHost(const std::string& windowsPath, const std::string& bytes) {
  std::string host = platform::ToHostPath(windowsPath);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary) << bytes;
}

std::string ReadWin(const std::string& windowsPath) { return ReadHostFile(platform::ToHostPath(windowsPath)); }

struct AppendCase {
  const char* label;
  std::string before;
  std::string after;
};

void PrintTo(const AppendCase& c, std::ostream* os) { *os << c.label; }

class FirefoxAppendTest : public ::testing::TestWithParam<AppendCase> {
 protected:
  TempPrefix prefix;
};

TEST_P(FirefoxAppendTest, AddsOnlyTheMissingLines) {
  const std::string path = "C:\\prefs.js";
  WriteHost(path, GetParam().before);
  EXPECT_EQ(CFirefoxPrefs::AppendPreferences(path), 1);
  EXPECT_EQ(ReadWin(path), GetParam().after);
}

const std::string L1 = CFirefoxPrefs::kLines[0];
const std::string L2 = CFirefoxPrefs::kLines[1];
const std::string L3 = CFirefoxPrefs::kLines[2];
const std::string L4 = CFirefoxPrefs::kLines[3];
const std::string L5 = CFirefoxPrefs::kLines[4];
const std::string kOther = "user_pref(\"browser.startup.page\", 3);\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, FirefoxAppendTest,
    ::testing::Values(
        AppendCase{"Empty", "", AllLines()},
        AppendCase{"AllPresent", kOther + AllLines() + kOther, kOther + AllLines() + kOther},
        // Without its line feed the first line does not count as present.
        AppendCase{"FirstLineUnterminated", kOther + L1.substr(0, L1.size() - 1),
                   kOther + L1.substr(0, L1.size() - 1) + AllLines()},
        AppendCase{"SomePresent", L4 + kOther + L2, L4 + kOther + L2 + L1 + L3 + L5},
        // The whole file is searched, bytes after a NUL included.
        AppendCase{"AfterNul", std::string("x\0y\n", 4) + AllLines(), std::string("x\0y\n", 4) + AllLines()}),
    [](const auto& info) { return std::string(info.param.label); });

class FirefoxProfilesTest : public ::testing::Test {
 protected:
  FirefoxProfilesTest()
      : local(platform::GetKnownFolder(platform::KnownFolder::kLocalAppData) +
              "\\Mozilla\\Firefox\\Profiles\\"),
        roaming(platform::SplitWindowsPath(local).drive + "\\Users\\" + platform::UserName() +
                "\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\") {}

  TempPrefix prefix;
  std::string local;
  std::string roaming;
};

TEST_F(FirefoxProfilesTest, DefaultProfileIsTheFirstDefaultFolder) {
  EXPECT_EQ(CFirefoxPrefs::DefaultProfile(local), "");  // no folder at all
  WriteHost(local + "0.default", "a file, not a profile");
  WriteHost(local + "zz.default-release\\prefs.js", "");
  EXPECT_EQ(CFirefoxPrefs::DefaultProfile(local), "");
  WriteHost(local + "q1.default\\prefs.js", "");
  WriteHost(local + "B2.DEFAULT\\prefs.js", "");
  EXPECT_EQ(CFirefoxPrefs::DefaultProfile(local), "B2.DEFAULT");
}

TEST_F(FirefoxProfilesTest, UpdatesFirstProfileOfBothLocations) {
  WriteHost(local + "a.default\\prefs.js", kOther);
  WriteHost(local + "b.default\\prefs.js", kOther);
  WriteHost(roaming + "r.default\\prefs.js", L1);
  EXPECT_EQ(CFirefoxPrefs::UpdatePreferences(), 1);
  EXPECT_EQ(ReadWin(local + "a.default\\prefs.js"), kOther + AllLines());
  EXPECT_EQ(ReadWin(local + "b.default\\prefs.js"), kOther);
  EXPECT_EQ(ReadWin(roaming + "r.default\\prefs.js"), AllLines());
}

TEST_F(FirefoxProfilesTest, RoamingIsTriedWhenLocalHasNoProfile) {
  WriteHost(local + "a.default\\other.js", "");  // a profile without prefs.js
  WriteHost(roaming + "r.default\\prefs.js", "");
  EXPECT_EQ(CFirefoxPrefs::UpdatePreferences(), 1);
  EXPECT_FALSE(std::filesystem::exists(platform::ToHostPath(local + "a.default\\prefs.js")));
  EXPECT_EQ(ReadWin(roaming + "r.default\\prefs.js"), AllLines());
}

TEST_F(FirefoxProfilesTest, MissingFileIsNotCreated) {
  EXPECT_EQ(CFirefoxPrefs::AppendPreferences("C:\\nothere\\prefs.js"), 0);
  EXPECT_FALSE(std::filesystem::exists(platform::ToHostPath("C:\\nothere")));
  EXPECT_EQ(CFirefoxPrefs::UpdatePreferences(), 1);
}

}  // namespace
