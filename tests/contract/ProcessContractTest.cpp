#include "platform/process/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/resources/ModuleResources.h"
#include "tests/contract/ContractChild.h"
#include "tests/support/ScratchSpace.h"

namespace {

using namespace platform;

struct ArgumentCase {
  const char* text;
  std::vector<std::string> args;
};

struct ArgumentTextTest : ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ArgumentTextTest, SplitsLikeTheWindowsRuntimeAndBuildsItBack) {
  const ArgumentCase& c = GetParam();
  EXPECT_EQ(SplitArgumentText(c.text), c.args);
  EXPECT_EQ(SplitArgumentText(BuildArgumentText(c.args)), c.args);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ArgumentTextTest,
    ::testing::Values(ArgumentCase{"", {}}, ArgumentCase{"  a\tb  ", {"a", "b"}},
                      ArgumentCase{"\"C:\\Program Files\\x\" /s", {"C:\\Program Files\\x", "/s"}},
                      ArgumentCase{"a\\\\b c\\", {"a\\\\b", "c\\"}},
                      ArgumentCase{"\"a\\\\\" b", {"a\\", "b"}},
                      ArgumentCase{"a\\\"b", {"a\"b"}},
                      ArgumentCase{"\"\" x", {"", "x"}},
                      ArgumentCase{"\"say \"\"hi\"\"\"", {"say \"hi\""}},
                      ArgumentCase{"ab\"c d\"e", {"abc de"}},
                      ArgumentCase{"\"unclosed quote", {"unclosed quote"}}));

struct ProcessTest : ::testing::Test {
  // A copy of the child program under this name in the scratch folder.
  std::string Child(const std::string& name) {
    std::string path = scratch.PathOf(name);
    EXPECT_TRUE(CopyContractChild(path)) << ContractChildPath() << " -> " << path;
    return path;
  }
  ScratchSpace scratch;
};

TEST_F(ProcessTest, StartsWaitsAndGivesTheExitCode) {
  auto process = ShellExecuteProgram(Child("exit.exe"), "exit 42");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_NE(process->Pid(), 0u);
  EXPECT_EQ(process->Wait(), 42u);
  EXPECT_EQ(process->Wait(), std::unexpected(kErrorInvalidHandle));
}

// A path is handed over as it stands: spaces and Hangul need no quoting, and
// the image name is the file's own name.
TEST_F(ProcessTest, APathWithSpacesAndHangulStarts) {
  const std::string name = "설치 프로그램.exe";
  auto process = ShellExecuteProgram(Child(name), "wait");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(GetProcessImageName(process->Pid()), name);
  EXPECT_EQ(TerminateProcess(process->Pid()), kErrorSuccess);
  EXPECT_EQ(process->Wait(), kTerminatedExitCode);
}

// The program sees the argument text split as the Windows runtime splits it.
TEST_F(ProcessTest, TheProgramGetsTheArgumentTextSplitAsWindowsSplitsIt) {
  auto process = ShellExecuteProgram(Child("writer.exe"), "write args.txt \"two words\" a\\\"b \"\" last\\\\");
  ASSERT_TRUE(process.has_value()) << process.error();
  EXPECT_EQ(process->Wait(), 0u);
  EXPECT_EQ(ReadWholeFile(scratch.PathOf("args.txt")), "two words\na\"b\n\nlast\\\\\n");
}

// The image name is what the user started: the program file's name, also
// when it is longer than a short process name.
TEST_F(ProcessTest, ImageNamesAreTheStartedFilesBaseNames) {
  auto program = ShellExecuteProgram(Child("averyveryverylongprogram.exe"), "wait");
  ASSERT_TRUE(program.has_value()) << program.error();
  EXPECT_EQ(GetProcessImageName(program->Pid()), "averyveryverylongprogram.exe");

  auto all = ListProcesses();
  ASSERT_TRUE(all.has_value()) << all.error();
  EXPECT_TRUE(std::is_sorted(all->begin(), all->end(),
                             [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; }));
  auto find = [&](uint32_t pid) {
    return std::find_if(all->begin(), all->end(), [&](const ProcessEntry& e) { return e.pid == pid; });
  };
  ASSERT_NE(find(program->Pid()), all->end());
  EXPECT_EQ(find(program->Pid())->imageName, "averyveryverylongprogram.exe");
  EXPECT_EQ(find(program->Pid())->parentPid, GetCurrentProcessId());
  const std::string self = ModuleFileName();
  ASSERT_NE(find(GetCurrentProcessId()), all->end());
  EXPECT_EQ(find(GetCurrentProcessId())->imageName, self.substr(self.find_last_of("\\/") + 1));

  EXPECT_EQ(TerminateProcess(program->Pid()), kErrorSuccess);
  uint32_t programPid = program->Pid();
  EXPECT_EQ(program->Wait(), kTerminatedExitCode);
  // Gone and waited for: nothing left to end or to name.
  EXPECT_EQ(TerminateProcess(programPid), kErrorInvalidParameter);
  EXPECT_EQ(GetProcessImageName(programPid), std::unexpected(kErrorInvalidParameter));
}

// A process that has ended is no longer there to be ended, even while its
// starter still holds it unwaited.
TEST_F(ProcessTest, AnEndedProcessNotYetWaitedForCannotBeEnded) {
  auto process = ShellExecuteProgram(Child("quick.exe"), "exit 0");
  ASSERT_TRUE(process.has_value()) << process.error();
  // Ending it may still succeed while it runs; once it has ended it must not.
  Win32Error err = kErrorSuccess;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((err = TerminateProcess(process->Pid())) == kErrorSuccess && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(err, kErrorInvalidParameter);
  auto code = process->Wait();
  ASSERT_TRUE(code.has_value());
  EXPECT_TRUE(*code == 0 || *code == kTerminatedExitCode) << *code;
}

struct StartFailure {
  const char* name;
  const char* file;  // below the scratch folder
  Win32Error error;
};

class ProcessStartFailures : public ProcessTest, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(ProcessStartFailures, AreReportedAsShellExecuteReportsThem) {
  ASSERT_TRUE(WriteWholeFile(scratch.PathOf("notes.vamodata"), "just data, no program"));
  auto process = ShellExecuteProgram(scratch.PathOf(GetParam().file), "");
  ASSERT_FALSE(process.has_value());
  EXPECT_EQ(process.error(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessStartFailures,
                         ::testing::Values(StartFailure{"MissingFile", "missing.exe", kErrorFileNotFound},
                                           StartFailure{"MissingFolder", "nowhere\\missing.exe", kErrorPathNotFound},
                                           // No program is associated with the made-up type.
                                           StartFailure{"DataFile", "notes.vamodata", kErrorNoAssociation}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Process, EndingAProcessThatDoesNotExistIsAnInvalidParameter) {
  EXPECT_EQ(TerminateProcess(0), kErrorInvalidParameter);
  EXPECT_EQ(GetProcessImageName(0), std::unexpected(kErrorInvalidParameter));
}

}  // namespace
