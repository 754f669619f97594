#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

class IniToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream out(m_prefix.DriveC() + "/list.ini", std::ios::binary);
    out << "; installed\r\n[GENERAL]\r\nVERSION = \"1.0.1.7\"\r\n"
           "[Vamo.dll]\r\nTYPE=FILE\r\n;old=1\r\nRUN\r\n[설치]\r\n키=값\r\n";
  }

  TempPrefix m_prefix;
};

TEST_F(IniToolTest, GetPrintsTheValueAndANewline) {
  ToolOutput got = RunTool({"ini", "get", "C:\\list.ini", "general", "version"});
  EXPECT_EQ(got.exitStatus, 0);
  EXPECT_EQ(got.out, "1.0.1.7\n");
  got = RunTool({"ini", "get", "C:\\LIST.INI", "설치", "키"});
  EXPECT_EQ(got.out, "값\n");
  got = RunTool({"ini", "get", "C:\\missing.ini", "GENERAL", "VERSION"});
  EXPECT_EQ(got.exitStatus, 0);
  EXPECT_EQ(got.out, "\n");
}

TEST_F(IniToolTest, ListsSectionsAndEntries) {
  ToolOutput got = RunTool({"ini", "sections", "C:\\list.ini"});
  EXPECT_EQ(got.exitStatus, 0);
  EXPECT_EQ(got.out, "GENERAL\nVamo.dll\n설치\n");
  got = RunTool({"ini", "section", "C:\\list.ini", "VAMO.DLL"});
  EXPECT_EQ(got.exitStatus, 0);
  EXPECT_EQ(got.out, "TYPE=FILE\nRUN\n");
}

TEST_F(IniToolTest, SetWritesAndReadsBackThroughAHostPath) {
  TempDir dir;
  std::string winPath = platform::ToWindowsPath(dir.Path() + "/new.ini");
  ASSERT_EQ(winPath.substr(0, 3), "Z:\\");
  ToolOutput got = RunTool({"ini", "set", winPath, "GENERAL", "DEBUG", "TRACE"});
  EXPECT_EQ(got.exitStatus, 0) << got.err;
  EXPECT_EQ(ReadHostFile(dir.Path() + "/new.ini"), "[GENERAL]\r\nDEBUG=TRACE\r\n");
  EXPECT_EQ(RunTool({"ini", "get", winPath, "GENERAL", "DEBUG"}).out, "TRACE\n");
}

TEST_F(IniToolTest, FailedWriteExitsOne) {
  ToolOutput got = RunTool({"ini", "set", "C:\\no folder\\x.ini", "s", "k", "v"});
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_NE(got.err.find("error 3"), std::string::npos) << got.err;
  got = RunTool({"ini", "set", "C:\\list.ini", "s", "k", "two\nlines"});
  EXPECT_EQ(got.exitStatus, 1);
}

TEST_F(IniToolTest, WrongArgumentsExitTwo) {
  const std::vector<std::vector<std::string>> kWrong = {
      {"ini"},
      {"ini", "get", "C:\\list.ini", "GENERAL"},
      {"ini", "sections"},
      {"ini", "section", "C:\\list.ini"},
      {"ini", "set", "C:\\list.ini", "s", "k"},
      {"ini", "frobnicate", "C:\\list.ini"},
  };
  for (const std::vector<std::string>& args : kWrong) {
    ToolOutput got = RunTool(args);
    EXPECT_EQ(got.exitStatus, 2) << args.size();
    EXPECT_EQ(got.out, "");
  }
  EXPECT_EQ(ReadHostFile(m_prefix.DriveC() + "/list.ini").find("[s]"), std::string::npos);
}

}  // namespace
