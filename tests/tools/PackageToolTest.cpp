#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

TEST(PackageTool, ExtractWritesTheTargetNextToTheArchive) {
  TempPrefix prefix;
  std::string folder = prefix.DriveC() + "/dl";
  std::filesystem::create_directories(folder);
  ToolOutput made = RunProgram("/bin/sh", {"-c", "cd '" + folder + "' && printf 'payload' > p && tar czf a.tgz p && "
                                                 "printf 'plain' > plain.txt"});
  ASSERT_EQ(made.exitStatus, 0) << made.err;

  ToolOutput ok = RunTool({"extract", "C:\\dl\\a.tgz", "out.bin"});
  EXPECT_EQ(ok.exitStatus, 0) << ok.err;
  EXPECT_EQ(ok.out, "result: 0\n");
  EXPECT_EQ(ReadHostFile(folder + "/out.bin"), "payload");

  ToolOutput bad = RunTool({"extract", "C:\\dl\\plain.txt", "x.bin"});
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_EQ(bad.out, "result: -9037\n");
  EXPECT_EQ(RunTool({"extract", "C:\\dl\\a.tgz"}).exitStatus, 2);
}

TEST(PackageTool, FirefoxPrefsAppendsToTheDefaultProfile) {
  TempPrefix prefix;
  std::string profile = platform::ToHostPath("C:\\Users\\" + platform::UserName() +
                                            "\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\x.default");
  std::filesystem::create_directories(profile);
  { std::ofstream(profile + "/prefs.js") << "user_pref(\"a\", 1);\n"; }

  ToolOutput run = RunTool({"ffprefs"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out, "result: 1\n");
  std::string prefs = ReadHostFile(profile + "/prefs.js");
  EXPECT_TRUE(prefs.starts_with("user_pref(\"a\", 1);\nuser_pref(\"dom.ipc.plugins.enabled.npvamoplugin.dll\", false);\n"));
  EXPECT_TRUE(prefs.ends_with("user_pref(\"dom.ipc.plugins.enabled.npvamoplugin_1.0.5.1.dll\", false);\n"));
  EXPECT_EQ(RunTool({"ffprefs"}).out, "result: 1\n");
  EXPECT_EQ(ReadHostFile(profile + "/prefs.js"), prefs);  // nothing added twice
}

}  // namespace
