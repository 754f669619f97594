#include "platform/fs/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/fs/Path.h"
#include "platform/sim/HostFiles.h"
#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"

namespace {

struct FileSystemTest : ::testing::Test {
  TempPrefix prefix;
};

// What stands where a file is expected is read only when it is a regular
// file: a FIFO nobody writes to (which would block the reader for ever) and
// a device (which could be endless) are refused at once.
TEST_F(FileSystemTest, ReadsOnlyRegularFiles) {
  ASSERT_EQ(mkfifo(platform::ToHostPath("C:\\pipe").c_str(), 0600), 0);
  EXPECT_EQ(platform::fs::ReadFileBytes("C:\\pipe").error(), platform::kErrorAccessDenied);
  EXPECT_EQ(platform::fs::ReadFileBytes("Z:\\dev\\zero").error(), platform::kErrorAccessDenied);
}

TEST_F(FileSystemTest, AtomicWriteKeepsModeAndLeavesNoTemporaryFiles) {
  ASSERT_EQ(platform::fs::WriteFileAtomic("C:\\keep.txt", "old"), platform::kErrorSuccess);
  std::string host = platform::ToHostPath("C:\\keep.txt");
  chmod(host.c_str(), 0600);
  ASSERT_EQ(platform::fs::WriteFileAtomic("C:\\keep.txt", "new"), platform::kErrorSuccess);
  struct stat st;
  ASSERT_EQ(stat(host.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadHostFile(host), "new");
  for (const auto& entry : std::filesystem::directory_iterator(prefix.DriveC())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

// A writer killed at any moment leaves the old or the new content, never a
// mixture or an empty file.
TEST_F(FileSystemTest, KilledWriterLeavesOldOrNewFile) {
  std::string oldContent(200000, 'o');
  std::string newContent(300000, 'n');
  ASSERT_EQ(platform::fs::WriteFileAtomic("C:\\target.bin", oldContent), platform::kErrorSuccess);
  std::string host = platform::ToHostPath("C:\\target.bin");
  for (int round = 0; round < 30; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        platform::fs::host::WriteFileAtomic(host, std::span(reinterpret_cast<const uint8_t*>(newContent.data()),
                                                            newContent.size()));
        platform::fs::host::WriteFileAtomic(host, std::span(reinterpret_cast<const uint8_t*>(oldContent.data()),
                                                            oldContent.size()));
      }
    }
    usleep(1000 + (round * 997) % 5000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string now = ReadHostFile(host);
    EXPECT_TRUE(now == oldContent || now == newContent) << "round " << round << " size " << now.size();
  }
}

}  // namespace
