#include "platform/fs/Path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"

namespace {

struct PathTest : ::testing::Test {
  TempPrefix prefix;
  std::string C(const std::string& rest) { return prefix.DriveC() + rest; }
};

struct MappingCase {
  const char* windowsPath;
  const char* hostUnderDriveC;  // nullptr: a Z: case checked separately
};

class PathMapping : public PathTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(PathMapping, MapsIntoDriveC) {
  EXPECT_EQ(platform::ToHostPath(GetParam().windowsPath), C(GetParam().hostUnderDriveC));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PathMapping,
    ::testing::Values(MappingCase{"C:\\", ""}, MappingCase{"c:\\new\\file.txt", "/new/file.txt"},
                      MappingCase{"C:/new/file.txt", "/new/file.txt"},
                      MappingCase{"C:\\a\\\\b\\.\\c", "/a/b/c"},
                      // ".." never climbs above the drive root, as on Windows.
                      MappingCase{"C:\\..\\..\\etc", "/etc"}, MappingCase{"C:\\x\\..\\..\\..\\y\\..\\z", "/z"},
                      // Existing components are found whatever their case.
                      MappingCase{"C:\\WINDOWS\\system32", "/Windows/System32"},
                      MappingCase{"c:\\program FILES\\New Folder", "/Program Files/New Folder"},
                      // Win32 drops trailing dots and spaces of components.
                      MappingCase{"C:\\Windows.\\file. ", "/Windows/file"},
                      MappingCase{"\\\\?\\C:\\Windows", "/Windows"}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(PathTest, ZMapsOntoTheHostRoot) {
  EXPECT_EQ(platform::ToHostPath("Z:\\"), "/");
  EXPECT_EQ(platform::ToHostPath("Z:\\etc\\hostname"), "/etc/hostname");
  EXPECT_EQ(platform::ToHostPath("z:/../../etc"), "/etc");
  EXPECT_EQ(platform::ToHostPath(platform::ToWindowsPath(prefix.Root()) + "\\drive_c"), prefix.DriveC());
}

TEST_F(PathTest, LookupPrefersTheExactNameAndFindsOthersWithoutCase) {
  std::filesystem::create_directories(C("/Data/Mixed"));
  std::filesystem::create_directories(C("/Data/mixed"));
  EXPECT_EQ(platform::ToHostPath("C:\\DATA\\mixed\\new"), C("/Data/mixed/new"));
  EXPECT_EQ(platform::ToHostPath("C:\\data\\Mixed"), C("/Data/Mixed"));
  std::filesystem::create_directories(C("/Data/Only"));
  EXPECT_EQ(platform::ToHostPath("C:\\data\\ONLY\\Sub"), C("/Data/Only/Sub"));
}

TEST_F(PathTest, UnreachablePathsMapToNothing) {
  EXPECT_EQ(platform::ToHostPath(""), "");
  EXPECT_EQ(platform::ToHostPath("D:\\file"), "");
  EXPECT_EQ(platform::ToHostPath("\\\\server\\share\\file"), "");
  EXPECT_EQ(platform::ToHostPath(std::string("C:\\a\0b", 6)), "");
}

TEST_F(PathTest, RelativePathsFollowTheCurrentFolder) {
  std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::create_directories(C("/work/sub"));
  std::filesystem::current_path(C("/work/sub"));
  EXPECT_EQ(platform::ToHostPath("file.txt"), C("/work/sub/file.txt"));
  EXPECT_EQ(platform::ToHostPath("..\\other"), C("/work/other"));
  EXPECT_EQ(platform::ToHostPath("\\top"), C("/top"));  // root of the current drive
  std::filesystem::current_path(saved);
}

TEST_F(PathTest, HostPathsGetWindowsNames) {
  EXPECT_EQ(platform::ToWindowsPath(C("/Windows/System32")), "C:\\Windows\\System32");
  EXPECT_EQ(platform::ToWindowsPath(prefix.DriveC()), "C:\\");
  EXPECT_EQ(platform::ToWindowsPath("/etc/hosts"), "Z:\\etc\\hosts");
  EXPECT_EQ(platform::ToWindowsPath("/"), "Z:\\");
  // A folder that merely starts like drive_c is not on drive C:.
  EXPECT_EQ(platform::ToWindowsPath(prefix.DriveC() + "x/a").substr(0, 2), "Z:");
}

}  // namespace
