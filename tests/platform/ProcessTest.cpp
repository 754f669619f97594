#include "platform/process/Process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"

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
  std::string Script(const std::string& name, const std::string& text) {
    std::string path = dir.WriteFile(name, text);
    chmod(path.c_str(), 0755);
    return path;
  }
  TempPrefix prefix;
  TempDir dir;
};

TEST_F(ProcessTest, StartsWaitsAndGivesTheExitCode) {
  std::string script = Script("exit.sh", "#!/bin/sh\nexit \"$1\"\n");
  auto process = ShellExecute(ToWindowsPath(script), "42");
  ASSERT_TRUE(process.has_value());
  EXPECT_EQ(process->Wait(), 42u);
  EXPECT_EQ(process->Wait(), std::unexpected(kErrorInvalidHandle));
}

// The image name is what the user started: the program file's name, also
// when it is longer than the kernel's 15-character process name, and the
// script's name rather than its interpreter's.
TEST_F(ProcessTest, ImageNamesAreTheStartedFilesBaseNames) {
  std::string longName = dir.Path() + "/averyveryverylongprogram.exe";
  std::filesystem::copy_file("/bin/sleep", longName);
  // One process that just waits: the interpreter follows the script file.
  std::string script = Script("updater.cmd", "#!/usr/bin/tail -f\n");

  auto program = ShellExecute(ToWindowsPath(longName), "30");
  auto shell = ShellExecute(ToWindowsPath(script), "");
  ASSERT_TRUE(program.has_value());
  ASSERT_TRUE(shell.has_value());
  EXPECT_EQ(GetProcessImageName(program->Pid()), "averyveryverylongprogram.exe");
  // The kernel renames a process after its script a moment after the new
  // program is in place, so a freshly started script may still carry its
  // parent's name for an instant.
  std::expected<std::string, Win32Error> scriptName;
  for (int i = 0; i < 200; ++i) {
    scriptName = GetProcessImageName(shell->Pid());
    if (scriptName == "updater.cmd") break;
    usleep(10 * 1000);
  }
  EXPECT_EQ(scriptName, "updater.cmd");

  auto all = ListProcesses();
  ASSERT_TRUE(all.has_value());
  bool listed = false;
  for (const ProcessEntry& entry : *all) {
    if (entry.pid == program->Pid()) listed = entry.imageName == "averyveryverylongprogram.exe";
  }
  EXPECT_TRUE(listed);

  EXPECT_EQ(TerminateProcess(program->Pid()), kErrorSuccess);
  EXPECT_EQ(TerminateProcess(shell->Pid()), kErrorSuccess);
  uint32_t programPid = program->Pid();
  EXPECT_EQ(program->Wait(), 128u + 9);
  EXPECT_EQ(shell->Wait(), 128u + 9);
  // Gone and reaped: nothing left to end or to name.
  EXPECT_EQ(TerminateProcess(programPid), kErrorInvalidParameter);
  EXPECT_EQ(GetProcessImageName(programPid), std::unexpected(kErrorInvalidParameter));
}

}  // namespace
