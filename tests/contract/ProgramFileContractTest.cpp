#include "platform/process/ProgramFile.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs/FileStream.h"
#include "tests/contract/ContractChild.h"
#include "tests/support/ScratchSpace.h"

namespace {

using namespace platform;

struct ProgramFileTest : ::testing::Test {
  void SetUp() override {
    program = scratch.PathOf("setup.exe");
    ASSERT_TRUE(CopyContractChild(program));
    ASSERT_TRUE(WriteWholeFile(scratch.PathOf("other.exe"), "not the program that was checked"));
  }
  ScratchSpace scratch;
  std::string program;
};

// What was checked is what runs: whatever happens to the path after Open, the
// process started is the opened program.
TEST_F(ProgramFileTest, TheStartedProgramIsTheCheckedBytes) {
  ProgramFile file;
  ASSERT_EQ(file.Open(program), kErrorSuccess);
  EXPECT_EQ(std::string(file.Image().begin(), file.Image().end()), ReadWholeFile(ContractChildPath()));

  // Refused where the path is held (Windows refuses to replace a file in
  // use), let through elsewhere: either way the checked program starts.
  Win32Error replaced = fs::ReplaceFileWith(scratch.PathOf("other.exe"), program);
  EXPECT_EQ(replaced != kErrorSuccess, kProgramFileHoldsPath) << replaced;

  auto process = file.Execute("exit 7");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(process->Wait(), 7u);
}

// Where the path is held, nobody may write, rename or delete the file until
// Close; readers are let in.
TEST_F(ProgramFileTest, AHeldProgramCannotBeChangedUntilClosed) {
  if (!kProgramFileHoldsPath) GTEST_SKIP() << "this system starts the opened file itself; its path stays free";
  ProgramFile file;
  ASSERT_EQ(file.Open(program), kErrorSuccess);

  fs::FileStream writer;
  EXPECT_EQ(writer.Open(program, fs::FileMode::kAppend), kErrorSharingViolation);
  EXPECT_EQ(fs::ReplaceFileWith(program, scratch.PathOf("moved.exe")), kErrorSharingViolation);
  EXPECT_EQ(fs::RemoveFile(program), kErrorSharingViolation);
  fs::FileStream reader;
  EXPECT_EQ(reader.Open(program, fs::FileMode::kRead), kErrorSuccess);
  reader.Close();

  auto process = file.Execute("exit 3");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(process->Wait(), 3u);
  file.Close();
  EXPECT_EQ(fs::RemoveFile(program), kErrorSuccess);
}

TEST_F(ProgramFileTest, FailsLikeShellExecute) {
  ASSERT_TRUE(WriteWholeFile(scratch.PathOf("notes.vamodata"), "just text"));
  ProgramFile file;
  EXPECT_EQ(file.Open(scratch.PathOf("missing.exe")), kErrorFileNotFound);
  EXPECT_EQ(file.Open(scratch.PathOf("nowhere\\missing.exe")), kErrorPathNotFound);
  EXPECT_EQ(file.Open(scratch.Folder()), kErrorNoAssociation);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Execute("").error(), kErrorInvalidHandle);
  ASSERT_EQ(file.Open(scratch.PathOf("notes.vamodata")), kErrorSuccess);
  EXPECT_EQ(file.Execute("").error(), kErrorNoAssociation);
}

}  // namespace
