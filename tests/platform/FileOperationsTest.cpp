#include "platform/fs/FileOperations.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"

namespace {

using namespace platform;

struct FileOperationsTest : ::testing::Test {
  std::string Host(const std::string& windowsPath) { return ToHostPath(windowsPath); }
  void Write(const std::string& windowsPath, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Host(windowsPath)).parent_path());
    ASSERT_EQ(fs::WriteFileAtomic(windowsPath, bytes), kErrorSuccess);
  }
  TempPrefix prefix;
};

TEST_F(FileOperationsTest, CopyCarriesPermissionsAndModificationTime) {
  Write("C:\\Src\\tool", "#!/bin/sh\n");
  std::string source = Host("C:\\Src\\tool");
  ASSERT_EQ(chmod(source.c_str(), 0750), 0);
  struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimes(source.c_str(), times), 0);

  ASSERT_EQ(fs::CopyFileTo("C:\\Src\\tool", "C:\\Src\\copy", false), kErrorSuccess);
  struct stat st;
  ASSERT_EQ(stat(Host("C:\\Src\\copy").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0750u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(ReadHostFile(Host("C:\\Src\\copy")), "#!/bin/sh\n");
}

TEST_F(FileOperationsTest, ReadOnlyAttributeIsTheMissingWritePermission) {
  Write("C:\\Data\\file.txt", "data");
  std::string host = Host("C:\\Data\\file.txt");
  ASSERT_EQ(chmod(host.c_str(), 0644), 0);
  EXPECT_EQ(fs::GetAttributes("C:\\Data\\file.txt"), fs::kFileAttributeNormal);

  ASSERT_EQ(fs::SetAttributes("C:\\Data\\file.txt", fs::kFileAttributeReadOnly), kErrorSuccess);
  struct stat st;
  ASSERT_EQ(stat(host.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(fs::GetAttributes("C:\\Data\\file.txt"), fs::kFileAttributeReadOnly);

  ASSERT_EQ(fs::SetAttributes("C:\\Data\\file.txt", fs::kFileAttributeNormal), kErrorSuccess);
  ASSERT_EQ(stat(host.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(fs::GetAttributes("C:\\Data"), fs::kFileAttributeDirectory);
}

}  // namespace
