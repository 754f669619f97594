#include "engine/SetupReport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <expected>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"

namespace {

// The file's bytes, "" when it cannot be read.
std::string FileBytes(const std::string& path) {
  std::expected<std::vector<uint8_t>, platform::Win32Error> bytes = platform::fs::ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

struct SetupReportTest : ::testing::Test {
  ScratchSpace scratch;
  CSetupReport report;
  std::string SavedBytes() {
    EXPECT_EQ(report.Save(scratch.PathOf("report.rpt")), 0);
    return FileBytes(scratch.PathOf("report.rpt"));
  }
};

TEST_F(SetupReportTest, EmptyReportSavesAsByteOrderMarkOnly) { EXPECT_EQ(SavedBytes(), std::string("\xFF\xFE", 2)); }

TEST_F(SetupReportTest, KoreanLineRoundTripsAsUtf16LittleEndian) {
  report.AppendLine("파일 : %s\r\n", "a.dll");
  // 파 U+D30C, 일 U+C77C, then " : a.dll\r\n" in ASCII.
  std::string expected("\xFF\xFE\x0C\xD3\x7C\xC7", 6);
  for (char c : std::string(" : a.dll\r\n")) expected += std::string{c, '\0'};
  EXPECT_EQ(SavedBytes(), expected);
  EXPECT_EQ(report.TextUtf8(), "파일 : a.dll\r\n");
}

TEST_F(SetupReportTest, PercentInArgumentsIsNeverReinterpreted) {
  report.AppendLine("%s", "100% %d %s %n");
  report.AppendLine("(%3.2f%%)\r\n", 50.0);
  EXPECT_EQ(report.TextUtf8(), "100% %d %s %n(50.00%)\r\n");
}

TEST_F(SetupReportTest, LinesAreAppendedAsGivenAndOverlongOnesCut) {
  report.AppendLine("------- INSTALL BEGIN -------\r\n");
  report.AppendLine("%s", std::string(5000, 'x').c_str());
  ASSERT_EQ(report.Text().size(), 31u + 4095u);
  // The limit counts UTF-16 units and never splits a character: a
  // character outside the BMP that would straddle it is left out whole.
  CSetupReport wide;
  wide.AppendLine("%s😀", std::string(4094, 'y').c_str());
  EXPECT_EQ(wide.Text().size(), 4094u);
  CSetupReport korean;
  std::string line;
  for (int i = 0; i < 5000; ++i) line += "가";
  korean.AppendLine("%s", line.c_str());
  EXPECT_EQ(korean.Text().size(), 4095u);
}

TEST_F(SetupReportTest, SaveIntoMissingFolderFailsAndLeavesNothing) {
  report.AppendLine("line\r\n");
  EXPECT_EQ(report.Save(scratch.PathOf("no such folder\\report.rpt")), -1);
  EXPECT_EQ(report.Save("Q:\\report.rpt"), -1);
}

TEST_F(SetupReportTest, SaveTruncatesAnOlderReport) {
  report.AppendLine("a much longer first report line\r\n");
  ASSERT_EQ(report.Save(scratch.PathOf("r.rpt")), 0);
  report.Clear();
  report.AppendLine("ab");
  ASSERT_EQ(report.Save(scratch.PathOf("r.rpt")), 0);
  EXPECT_EQ(FileBytes(scratch.PathOf("r.rpt")), std::string("\xFF\xFE" "a\0b\0", 6));
}

}  // namespace
