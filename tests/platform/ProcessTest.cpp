// Linux particulars of the process service; what every system owes is in
// tests/contract/ProcessContractTest.cpp.
#include "platform/process/Process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"

namespace {

using namespace platform;

struct ProcessTest : ::testing::Test {
  std::string Script(const std::string& name, const std::string& text) {
    std::string path = dir.WriteFile(name, text);
    chmod(path.c_str(), 0755);
    return path;
  }
  TempPrefix prefix;
  TempDir dir;
};

TEST_F(ProcessTest, AScriptRunsThroughItsInterpreterWithTheArguments) {
  std::string script = Script("exit.sh", "#!/bin/sh\nexit \"$1\"\n");
  auto process = ShellExecuteProgram(ToWindowsPath(script), "42");
  ASSERT_TRUE(process.has_value());
  EXPECT_EQ(process->Wait(), 42u);
}

// The image name of a script is the script's name rather than its
// interpreter's: that is the program the user started.
TEST_F(ProcessTest, AScriptsImageNameIsTheScripts) {
  // One process that just waits: the interpreter follows the script file.
  std::string script = Script("updater.cmd", "#!/usr/bin/tail -f\n");
  auto shell = ShellExecuteProgram(ToWindowsPath(script), "");
  ASSERT_TRUE(shell.has_value());
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
  EXPECT_EQ(TerminateProcess(shell->Pid()), kErrorSuccess);
  EXPECT_EQ(shell->Wait(), kTerminatedExitCode);
}

}  // namespace
