// Copying from a file held open, and starting the program a caller holds
// open.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/process/ProgramFile.h"
#include "tests/support/TempPrefix.h"

namespace {

using namespace platform;

struct OpenFileCopyTest : ::testing::Test {
  std::string Host(const std::string& windowsPath) { return ToHostPath(windowsPath); }
  void Write(const std::string& windowsPath, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Host(windowsPath)).parent_path());
    ASSERT_EQ(fs::WriteFileAtomic(windowsPath, bytes), kErrorSuccess);
  }
  TempPrefix prefix;
};

// Windows has no permission to run a file; an installed copy must be
// runnable here too, and writable by its owner only.
TEST_F(OpenFileCopyTest, ACopyFromAnOpenFileIsRunnable) {
  Write("C:\\Src\\a.dll", "0123456789");
  std::filesystem::create_directories(Host("C:\\Dst"));
  fs::FileStream source;
  ASSERT_EQ(source.Open("C:\\Src\\a.dll", fs::FileMode::kRead), kErrorSuccess);
  ASSERT_EQ(fs::CopyFileFrom(source, "C:\\Dst\\a.dll", nullptr), kErrorSuccess);
  struct stat st;
  ASSERT_EQ(stat(Host("C:\\Dst\\a.dll").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

// A program is checked through an open file and started from it: a program
// renamed over its path in between is not the one that runs.
TEST_F(OpenFileCopyTest, AProgramStartsFromTheFileThatWasOpened) {
  TempDir logs;
  const std::string log = logs.Path() + "/ran.log";
  Write("C:\\Prog\\setup.exe", "#!/bin/sh\necho checked \"$*\" >> " + log + "\n");
  Write("C:\\Prog\\other.exe", "#!/bin/sh\necho swapped >> " + log + "\n");
  chmod(Host("C:\\Prog\\setup.exe").c_str(), 0755);
  chmod(Host("C:\\Prog\\other.exe").c_str(), 0755);

  ProgramFile program;
  ASSERT_EQ(program.Open("C:\\Prog\\setup.exe"), kErrorSuccess);
  EXPECT_EQ(std::string(program.Image().begin(), program.Image().end()).substr(0, 9), "#!/bin/sh");
  std::filesystem::rename(Host("C:\\Prog\\other.exe"), Host("C:\\Prog\\setup.exe"));

  auto process = program.Execute(" /silent");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(process->Wait().value_or(99), 0u);
  EXPECT_EQ(ReadHostFile(log), "checked /silent\n");
}

TEST_F(OpenFileCopyTest, ANativeProgramStartsFromItsOpenFileToo) {
  std::filesystem::create_directories(Host("C:\\Prog"));
  std::filesystem::copy_file("/bin/sh", Host("C:\\Prog\\shell.exe"));
  ProgramFile program;
  ASSERT_EQ(program.Open("C:\\Prog\\shell.exe"), kErrorSuccess);
  std::filesystem::remove(Host("C:\\Prog\\shell.exe"));  // gone from its folder, still open
  auto process = program.Execute("-c \"exit 7\"");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(process->Wait().value_or(0), 7u);
}

}  // namespace
