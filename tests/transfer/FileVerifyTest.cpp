#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempPrefix.h"
#include "tests/transfer/TransferTestSupport.h"
#include "transfer/FileVerify.h"

namespace {

std::string OpensslDigestText(const std::string& hostPath) {
  ToolOutput out = Shell("openssl dgst -sha512 -binary " + ShellQuote(hostPath) + " | base64 -w0");
  EXPECT_EQ(out.exitStatus, 0) << out.err;
  return out.out;
}

class FileDigestSizes : public ::testing::TestWithParam<size_t> {};

TEST_P(FileDigestSizes, AgreesWithOpensslAndBase64) {
  TempPrefix prefix;
  size_t size = GetParam();
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  WriteHostFile(prefix.DriveC() + "/f.bin", bytes);

  std::string text;
  ASSERT_EQ(FileDigestText("C:\\f.bin", text), 0);
  EXPECT_EQ(text.size(), 88u);
  EXPECT_EQ(text, OpensslDigestText(prefix.DriveC() + "/f.bin"));

  RecordingReport report;
  EXPECT_EQ(FileVerify("C:\\f.bin", text, &report), 0);
  EXPECT_TRUE(report.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, FileDigestSizes,
                         ::testing::Values(0, 1, 65535, 65536, 65537, 100u * 1024 * 1024));

TEST(FileVerify, ComparesExactlyAndReportsEachFailure) {
  TempPrefix prefix;
  WriteHostFile(prefix.DriveC() + "/f.bin", "payload");
  std::string text;
  ASSERT_EQ(FileDigestText("C:\\f.bin", text), 0);
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

  TraceCapture trace;
  for (const std::string& expected : {lower, text + "\n", text + " ", text.substr(0, 87), std::string()}) {
    RecordingReport report;
    EXPECT_EQ(FileVerify("C:\\f.bin", expected, &report), -1) << expected;
    EXPECT_EQ(report.lines, std::vector<std::string>{"--FileVerify() fail\r\n"});
  }
  EXPECT_TRUE(trace.Contains("FileVerify() fail..."));
  EXPECT_TRUE(trace.Contains("FileVerify() [C:\\f.bin]/[" + lower + "]..."));

  RecordingReport report;
  EXPECT_EQ(FileVerify("C:\\missing.bin", text, &report), -1);
  EXPECT_EQ(report.lines, std::vector<std::string>{"--FileVerify() File Open Fail\r\n"});
  EXPECT_TRUE(trace.Contains("FileVerify() File Open Fail"));
  // A folder opens on Linux but cannot be read; it is no file to vouch for.
  EXPECT_EQ(FileVerify("C:\\Windows", text, nullptr), -1);
  std::string none;
  EXPECT_EQ(FileDigestText("C:\\missing.bin", none), -1);
  EXPECT_TRUE(none.empty());
}

}  // namespace
