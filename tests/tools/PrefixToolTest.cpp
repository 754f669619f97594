#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

TEST(PrefixTool, InitCreatesThePrefixWithTheGivenFacts) {
  TempDir dir;
  std::string root = dir.Path() + "/p";
  ToolOutput init = RunTool({"prefix", "init", "--windows", "5.1.2600", "--arch", "x86", "--lang", "0x0409"},
                            {"VAMO_PREFIX=" + root});
  ASSERT_EQ(init.exitStatus, 0) << init.err;
  EXPECT_EQ(init.out, root + "\n");
  EXPECT_TRUE(std::filesystem::is_directory(root + "/drive_c/Windows/System32"));
  std::string hive = ReadHostFile(root + "/registry/machine.reg");
  EXPECT_NE(hive.find("\"CurrentVersion\"=\"5.1\""), std::string::npos);
  EXPECT_NE(hive.find("\"PROCESSOR_ARCHITECTURE\"=\"x86\""), std::string::npos);
  EXPECT_NE(hive.find("\"Default\"=\"0409\""), std::string::npos);
}

TEST(PrefixTool, RejectsWrongArguments) {
  TempDir dir;
  std::vector<std::string> env = {"VAMO_PREFIX=" + dir.Path() + "/p"};
  EXPECT_EQ(RunTool({"prefix"}, env).exitStatus, 2);
  EXPECT_EQ(RunTool({"prefix", "init", "--windows", "7"}, env).exitStatus, 2);
  EXPECT_EQ(RunTool({"prefix", "init", "--arch", "arm"}, env).exitStatus, 2);
  EXPECT_EQ(RunTool({"path"}, env).exitStatus, 2);
  EXPECT_EQ(RunTool({"no-such-command"}, env).exitStatus, 2);
}

TEST(PrefixTool, PathPrintsTheHostPath) {
  TempDir dir;
  std::string root = dir.Path() + "/p";
  std::vector<std::string> env = {"VAMO_PREFIX=" + root};
  ToolOutput system = RunTool({"path", "c:\\WINDOWS\\system32\\new.dll"}, env);
  EXPECT_EQ(system.exitStatus, 0);
  EXPECT_EQ(system.out, root + "/drive_c/Windows/System32/new.dll\n");
  EXPECT_EQ(RunTool({"path", "Z:\\etc\\..\\..\\tmp"}, env).out, "/tmp\n");
  EXPECT_EQ(RunTool({"path", "D:\\x"}, env).exitStatus, 1);
}

}  // namespace
