#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

namespace fs = std::filesystem;

// Every file the tool wrote into a folder, by name.
std::map<std::string, std::string> Files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    files[entry.path().filename().string()] = ReadHostFile(entry.path().string());
  }
  return files;
}

ToolOutput Draw(const std::string& dir, const std::string& phone = "02-000-0000",
                const std::string& email = "support@vamo.test") {
  return RunProgram(VAMO_ARTWORK_TOOL, {"--out", dir, "--phone", phone, "--email", email});
}

// The build draws the artwork in every build tree; the pictures must not
// depend on anything but the tool and its two contact values.
TEST(ArtworkTool, DrawsTheSameBytesEveryRun) {
  TempDir first;
  TempDir second;
  ToolOutput got = Draw(first.Path());
  ASSERT_EQ(got.exitStatus, 0) << got.err;
  got = Draw(second.Path());
  ASSERT_EQ(got.exitStatus, 0) << got.err;
  const auto a = Files(first.Path());
  EXPECT_EQ(a.size(), 64u) << "63 pictures and the icon";
  EXPECT_TRUE(a.contains("vamo.ico"));
  EXPECT_EQ(a, Files(second.Path()));
}

// An unchanged picture keeps its file untouched, so the resource script is
// not compiled again and nothing relinks.
TEST(ArtworkTool, LeavesUnchangedFilesAlone) {
  TempDir dir;
  ASSERT_EQ(Draw(dir.Path()).exitStatus, 0);
  const fs::path background = fs::path(dir.Path()) / "160.bmp";
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  fs::last_write_time(background, old);
  ASSERT_EQ(Draw(dir.Path()).exitStatus, 0);
  EXPECT_EQ(fs::last_write_time(background), old);
}

// The support contacts are drawn into the contact line and the banner, and
// nothing else changes with them.
TEST(ArtworkTool, ContactsReachOnlyTheContactPictures) {
  TempDir standard;
  TempDir other;
  ASSERT_EQ(Draw(standard.Path()).exitStatus, 0);
  ToolOutput got = Draw(other.Path(), "1588-0000", "help@pay.vamo.test");
  ASSERT_EQ(got.exitStatus, 0) << got.err;
  const auto a = Files(standard.Path());
  const auto b = Files(other.Path());
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    const bool contacts = name == "189.bmp" || name == "194.bmp";
    EXPECT_EQ(bytes != b.at(name), contacts) << name;
  }
}

// A contact too long for its picture fails the build with a reason instead
// of shipping a clipped address; a wrong command line says how to call it.
TEST(ArtworkTool, RefusesWhatItCannotDraw) {
  TempDir dir;
  ToolOutput got = Draw(dir.Path(), "02-000-0000", "customer-support-desk-of-the-payment-service@vamo.test");
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_NE(got.err.find("do not fit"), std::string::npos) << got.err;

  got = RunProgram(VAMO_ARTWORK_TOOL, {"--out", dir.Path(), "--phone", "02-000-0000"});
  EXPECT_EQ(got.exitStatus, 2);
  EXPECT_NE(got.err.find("usage:"), std::string::npos);
  got = RunProgram(VAMO_ARTWORK_TOOL, {"--colour", "blue", "--phone", "1", "--email", "a@b"});
  EXPECT_EQ(got.exitStatus, 2);
}

}  // namespace
