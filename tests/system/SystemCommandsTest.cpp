// The vamo-tool commands of the system operations, run as the built tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

struct CommandCase {
  const char* label;
  std::vector<std::string> args;
  int exitStatus;
  const char* lastLine;
};

struct SystemCommandsTest : ::testing::TestWithParam<CommandCase> {
  SystemCommandsTest() {
    platform::fs::CreateDirectoryPath("C:\\Work");
    platform::fs::WriteFileAtomic("C:\\Work\\source.txt", "payload");
  }
  TempPrefix prefix;
};

std::string LastLine(const std::string& out) {
  if (out.empty()) return {};
  size_t start = out.rfind('\n', out.size() - 2);
  return out.substr(start == std::string::npos ? 0 : start + 1);
}

TEST_P(SystemCommandsTest, PrintsTheResultLastAndExitsByIt) {
  const CommandCase& c = GetParam();
  ToolOutput output = RunTool(c.args);
  EXPECT_EQ(output.exitStatus, c.exitStatus) << output.err;
  if (*c.lastLine == '\0') {
    EXPECT_EQ(output.out, "");  // a usage error runs nothing
  } else {
    EXPECT_EQ(LastLine(output.out), std::string(c.lastLine) + "\n");
  }
}

std::string SelfReg(const char* name) {
  return platform::ToWindowsPath(std::string(VAMO_SELFREG_DIR) + "/" + name);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SystemCommandsTest,
    ::testing::Values(
        CommandCase{"Copy", {"copy", "C:\\Work\\source.txt", "C:\\Out\\Deep", "C:\\Out\\Deep\\t.txt"}, 0, "result: 0"},
        CommandCase{"CopyMissing", {"copy", "C:\\Work\\none.txt", "", "C:\\Work\\t.txt"}, 1, "result: -9026"},
        CommandCase{"Del", {"del", "C:\\Work\\source.txt"}, 0, "result: 0"},
        CommandCase{"DelMissing", {"del", "C:\\Work\\none.txt"}, 1, "result: -9011"},
        CommandCase{"Regsvr", {"regsvr", SelfReg("ok.dll")}, 0, "result: 0"},
        CommandCase{"Unregsvr", {"regsvr", "/u", SelfReg("class.dll")}, 1, "result: -9014"},
        CommandCase{"RegsvrNoExport", {"regsvr", SelfReg("x.dll")}, 1, "result: -9002"},
        CommandCase{"Run", {"run", platform::ToWindowsPath(VAMO_TEST_PROGRAM), "sleep", "0"}, 0, "result: 0"},
        CommandCase{"RunMissing", {"run", "C:\\Work\\none.exe"}, 1, "result: -9011"},
        CommandCase{"Regwrite",
                    {"regwrite", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Vamo", "REG_DWORD", "Count", "12"},
                    0,
                    "result: 1"},
        CommandCase{"RegwriteBadRoot", {"regwrite", "HKLM", "SOFTWARE\\Vamo", "REG_DWORD", "Count", "12"}, 1,
                    "result: 0"},
        CommandCase{"IsAdmin", {"isadmin"}, 0, "result: 1"},
        CommandCase{"KillNothing", {"kill", "no-such-program-here.exe"}, 0, "result: 1"},
        CommandCase{"Usage", {"copy", "only-one"}, 2, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SystemCommands, EffectsAreReal) {
  TempPrefix prefix;
  platform::fs::CreateDirectoryPath("C:\\Work");
  platform::fs::WriteFileAtomic("C:\\Work\\source.txt", "payload");
  ASSERT_EQ(RunTool({"copy", "C:\\Work\\source.txt", "C:\\Out", "C:\\Out\\t.txt"}).exitStatus, 0);
  EXPECT_EQ(ReadHostFile(platform::ToHostPath("C:\\Out\\t.txt")), "payload");
  ASSERT_EQ(RunTool({"regwrite", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Vamo", "REG_STR", "Name", "abc"}).exitStatus, 0);
  EXPECT_NE(ReadHostFile(prefix.Root() + "/registry/machine.reg").find("\"Name\"=hex(1):61,00,62,00,63,00\n"),
            std::string::npos);
  ASSERT_EQ(RunTool({"del", "C:\\Out\\t.txt"}).exitStatus, 0);
  EXPECT_FALSE(platform::fs::FileExists("C:\\Out\\t.txt"));
}

}  // namespace
