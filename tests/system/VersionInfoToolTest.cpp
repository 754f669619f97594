#include <gtest/gtest.h>

#include <string>

#include "platform/sim/HostPath.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/ToolRunner.h"
#include "tests/system/VersionFixtures.h"

namespace {

TEST_F(VersionInfoTest, ToolPrintsTranslationAndTheThreeStrings) {
  const ToolOutput all = RunTool({"version", FixtureWindowsPath("app64.exe")});
  EXPECT_EQ(all.exitStatus, 0);
  EXPECT_EQ(all.out,
            "translation=041204b0\nFileDescription=베타 결제 도우미\nFileVersion=3, 2, 1, 0\nProductName=Vamo 결제\n");

  const ToolOutput one = RunTool({"version", FixtureWindowsPath("app32.exe"), "CompanyName"});
  EXPECT_EQ(one.exitStatus, 0);
  EXPECT_EQ(one.out, "Gamma Software\n");

  const ToolOutput none = RunTool({"version", FixtureWindowsPath("strings64.dll")});
  EXPECT_EQ(none.exitStatus, 1);
  EXPECT_EQ(none.out, "no version resource\n");

  // The tool is itself the program: its own version resource.
  const ToolOutput self = RunTool({"version", platform::ToWindowsPath(VAMO_TOOL_PATH), "FileVersion"});
  EXPECT_EQ(self.out, "1, 0, 1, 8\n");
}

}  // namespace
