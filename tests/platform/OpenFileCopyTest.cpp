// Copying from a file held open, with a check that decides whether the copy
// may replace its target; and starting the program a caller holds open.
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

// Accepts or refuses what it saw, and remembers it.
class RecordingCheck : public fs::CopyCheck {
 public:
  explicit RecordingCheck(bool bAccept) : m_bAccept(bAccept) {}
  void Update(std::span<const uint8_t> bytes) override { seen.append(bytes.begin(), bytes.end()); }
  bool Accept() override { return m_bAccept; }
  std::string seen;

 private:
  bool m_bAccept;
};

struct OpenFileCopyTest : ::testing::Test {
  std::string Host(const std::string& windowsPath) { return ToHostPath(windowsPath); }
  void Write(const std::string& windowsPath, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(Host(windowsPath)).parent_path());
    ASSERT_EQ(fs::WriteFileAtomic(windowsPath, bytes), kErrorSuccess);
  }
  std::vector<std::string> Names(const std::string& windowsFolder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host(windowsFolder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  TempPrefix prefix;
};

TEST_F(OpenFileCopyTest, CopiesTheOpenFileFromItsStartAndMakesItRunnable) {
  Write("C:\\Src\\a.dll", "0123456789");
  fs::FileStream source;
  ASSERT_EQ(source.Open("C:\\Src\\a.dll", fs::FileMode::kRead), kErrorSuccess);
  uint8_t skip[4];
  ASSERT_EQ(source.Read(skip).value_or(0), 4u);  // wherever the caller left it
  // The path now names another file; the open one is what gets copied.
  Write("C:\\Src\\a.dll", "replaced");

  RecordingCheck check(true);
  ASSERT_EQ(fs::CopyFileFrom(source, "C:\\Dst\\a.dll", &check), kErrorPathNotFound) << "no target folder";
  std::filesystem::create_directories(Host("C:\\Dst"));
  ASSERT_EQ(fs::CopyFileFrom(source, "C:\\Dst\\a.dll", &check), kErrorSuccess);
  EXPECT_EQ(ReadHostFile(Host("C:\\Dst\\a.dll")), "0123456789");
  EXPECT_EQ(check.seen, "0123456789");
  struct stat st;
  ASSERT_EQ(stat(Host("C:\\Dst\\a.dll").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST_F(OpenFileCopyTest, ARefusedCopyLeavesTheTargetAndNoTemporaryFile) {
  Write("C:\\Src\\a.dll", "new bytes");
  Write("C:\\Dst\\a.dll", "old bytes");
  fs::FileStream source;
  ASSERT_EQ(source.Open("C:\\Src\\a.dll", fs::FileMode::kRead), kErrorSuccess);
  RecordingCheck refuse(false);
  EXPECT_EQ(fs::CopyFileFrom(source, "C:\\Dst\\a.dll", &refuse), kErrorInvalidData);
  EXPECT_EQ(ReadHostFile(Host("C:\\Dst\\a.dll")), "old bytes");
  EXPECT_EQ(Names("C:\\Dst"), std::vector<std::string>{"a.dll"});
  EXPECT_EQ(refuse.seen, "new bytes");

  // The refusals of CopyFile apply as well: a read-only target stays.
  ASSERT_EQ(fs::SetAttributes("C:\\Dst\\a.dll", fs::kFileAttributeReadOnly), kErrorSuccess);
  EXPECT_EQ(fs::CopyFileFrom(source, "C:\\Dst\\a.dll", nullptr), kErrorAccessDenied);
  fs::FileStream closed;
  EXPECT_EQ(fs::CopyFileFrom(closed, "C:\\Dst\\b.dll", nullptr), kErrorInvalidHandle);
}

TEST_F(OpenFileCopyTest, CreateNewRefusesATakenName) {
  Write("C:\\Src\\taken", "x");
  fs::FileStream stream;
  EXPECT_EQ(stream.Open("C:\\Src\\taken", fs::FileMode::kCreateNew), kErrorFileExists);
  EXPECT_EQ(ReadHostFile(Host("C:\\Src\\taken")), "x");
  ASSERT_EQ(stream.Open("C:\\Src\\fresh", fs::FileMode::kCreateNew), kErrorSuccess);
  EXPECT_EQ(stream.Write(std::string_view("abc")), kErrorSuccess);
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
