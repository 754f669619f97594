// vamo-tool.exe against the real system: what it writes, Windows' own tools
// read back, and what it reads, they wrote. Each test has a folder of its own
// in %TEMP% and a key of its own under HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/process/Process.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/ScratchSpace.h"
#include "tests/support/ToolRunner.h"

namespace {

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A console program's standard output is in text mode on Windows: every line
// ends in CR LF.
std::string Lines(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}

class VamoToolTest : public ::testing::Test {
 protected:
  std::string Key() const { return "HKCU\\" + m_scratch.RegistryKey(); }

  ScratchSpace m_scratch;
};

// One value per registry type the setup writes, with the data as reg.exe
// takes it and as its query prints it.
struct RegCase {
  const char* type;
  const char* data;
  const char* shown;  // reg query's data column
};

class RegToolTest : public VamoToolTest, public ::testing::WithParamInterface<RegCase> {};

TEST_P(RegToolTest, WindowsRegSeesWhatVamoToolAdds) {
  const RegCase& c = GetParam();
  ToolOutput added = RunTool({"reg", "add", Key(), "/v", "Written", "/t", c.type, "/d", c.data, "/f"});
  ASSERT_EQ(added.exitStatus, 0) << added.out << added.err;
  ToolOutput query = RunProgram("reg.exe", {"query", Key(), "/v", "Written"});
  EXPECT_EQ(query.exitStatus, 0) << query.out << query.err;
  EXPECT_TRUE(Contains(query.out, "Written")) << query.out;
  EXPECT_TRUE(Contains(query.out, c.type)) << query.out;
  EXPECT_TRUE(Contains(query.out, c.shown)) << query.out;
}

TEST_P(RegToolTest, VamoToolSeesWhatWindowsRegAdds) {
  const RegCase& c = GetParam();
  ToolOutput added = RunProgram("reg.exe", {"add", Key(), "/v", "Native", "/t", c.type, "/d", c.data, "/f"});
  ASSERT_EQ(added.exitStatus, 0) << added.out << added.err;
  ToolOutput query = RunTool({"reg", "query", Key(), "/v", "Native"});
  EXPECT_EQ(query.exitStatus, 0) << query.err;
  EXPECT_TRUE(Contains(query.out, "Native")) << query.out;
  EXPECT_TRUE(Contains(query.out, c.type)) << query.out;
  EXPECT_TRUE(Contains(query.out, c.shown)) << query.out;
}

INSTANTIATE_TEST_SUITE_P(Types, RegToolTest,
                         ::testing::Values(RegCase{"REG_SZ", "C:\\Program Files\\Vamo", "C:\\Program Files\\Vamo"},
                                           RegCase{"REG_DWORD", "42", "0x2a"}),
                         [](const auto& info) { return std::string(info.param.type); });

// The digest text is base64 of the SHA-512 digest; the inputs are the
// published test vectors, the last one longer than one read block.
struct DigestCase {
  const char* name;
  std::string content;
  const char* digest;
};

void PrintTo(const DigestCase& c, std::ostream* os) { *os << c.name; }

class DigestToolTest : public VamoToolTest, public ::testing::WithParamInterface<DigestCase> {};

TEST_P(DigestToolTest, PrintsTheKnownDigest) {
  const std::string path = m_scratch.PathOf("input.bin");
  ASSERT_EQ(platform::fs::WriteFileAtomic(path, GetParam().content), platform::kErrorSuccess);
  ToolOutput got = RunTool({"digest", path});
  EXPECT_EQ(got.exitStatus, 0) << got.err;
  EXPECT_EQ(got.out, std::string(GetParam().digest) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, DigestToolTest,
    ::testing::Values(
        DigestCase{"Empty", "", "z4PhNX7vuL3xVChQ1m2AB9Yg5AULVxXcg/SpIdNs6c5H0NE8XYXysP+DGNKHfuwvY7kxvUdBeoGlODJ6+SfaPg=="},
        DigestCase{"Abc", "abc", "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw=="},
        DigestCase{"MillionA", std::string(1000000, 'a'),
                   "5xhIPQznaWROLkLHvBW0Y44fmLE7IEQoVjKoA6+pc+veD/JEh36mCkywQyzld8Mb6wCcXCxJqi5OrbIXrYzAmw=="}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VamoToolTest, DigestOfAMissingFileFails) {
  ToolOutput got = RunTool({"digest", m_scratch.PathOf("missing.bin")});
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_EQ(got.out, "");
}

// Korean in the file's folder, section, key and value: the arguments reach
// the tool whole (not through the ANSI code page) and come back as written.
// The file is Unicode (UTF-16LE after FF FE), which the profile functions
// keep as it is, so the text survives whatever the system's code page.
TEST_F(VamoToolTest, IniRoundTripKeepsKoreanText) {
  const std::string folder = m_scratch.PathOf("설정");
  ASSERT_EQ(platform::fs::MakeDirectory(folder), platform::kErrorSuccess);
  const std::string file = folder + "\\목록.ini";
  const std::vector<uint8_t> bom = {0xFF, 0xFE};
  ASSERT_EQ(platform::fs::WriteFileAtomic(file, bom), platform::kErrorSuccess);
  ToolOutput set = RunTool({"ini", "set", file, "설치", "이름", "전자결제 마법사"});
  ASSERT_EQ(set.exitStatus, 0) << set.err;
  ToolOutput got = RunTool({"ini", "get", file, "설치", "이름"});
  EXPECT_EQ(got.exitStatus, 0) << got.err;
  EXPECT_EQ(Lines(got.out), "전자결제 마법사\n");
  EXPECT_EQ(Lines(RunTool({"ini", "sections", file}).out), "설치\n");
  // What Windows' own profile functions would read: UTF-16LE text.
  auto bytes = platform::fs::ReadFileBytes(file);
  ASSERT_TRUE(bytes.has_value());
  const std::vector<uint8_t> section = {0xFF, 0xFE, '[', 0, 0x24, 0xC1, 0x58, 0xCE, ']', 0};  // "[설치]"
  EXPECT_TRUE(std::equal(section.begin(), section.end(), bytes->begin())) << bytes->size();
}

TEST_F(VamoToolTest, PrefixSaysItHasNoMeaningOnWindows) {
  ToolOutput got = RunTool({"prefix", "init"});
  EXPECT_NE(got.exitStatus, 0);
  EXPECT_EQ(got.out, "");
  EXPECT_TRUE(Contains(got.err, "no meaning on Windows")) << got.err;
  EXPECT_EQ(got.err.find('\n'), got.err.size() - 1) << "one line: " << got.err;
}

TEST_F(VamoToolTest, PsListsThisProcess) {
  ToolOutput got = RunTool({"ps"});
  EXPECT_EQ(got.exitStatus, 0) << got.err;
  const std::string line = std::to_string(platform::GetCurrentProcessId()) + " tools_win32_tests.exe\n";
  EXPECT_TRUE(Contains(Lines(got.out), line)) << got.out;
  EXPECT_TRUE(Lines(got.out).ends_with("result: 0\n")) << got.out;
}

// The Windows build has no window commands yet: help does not offer them,
// and each is an unknown command.
class AbsentCommandTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AbsentCommandTest, IsNeitherListedNorKnown) {
  ToolOutput help = RunTool({"help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_TRUE(Contains(help.err, "  digest ")) << help.err;
  EXPECT_FALSE(Contains(help.err, std::string("  ") + GetParam() + " ")) << help.err;
  ToolOutput got = RunTool({GetParam()});
  EXPECT_EQ(got.exitStatus, 2);
  EXPECT_TRUE(Contains(got.err, std::string("unknown command '") + GetParam() + "'")) << got.err;
}

INSTANTIATE_TEST_SUITE_P(Window, AbsentCommandTest, ::testing::Values("screenshots"));

// The repair is offered, and like the network analysis it probes nothing
// outside a network made for it: no step is shown, no report is written.
TEST_F(VamoToolTest, RepairIsOfferedButRefusesTheMachinesOwnNetwork) {
  ToolOutput help = RunTool({"help"});
  EXPECT_TRUE(Contains(help.err, "  repair [--report FILE]")) << help.err;
  const std::string report = m_scratch.PathOf("repair.rpt");
  ToolOutput got = RunTool({"repair", "--report", report});
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_EQ(got.out, "");
  EXPECT_TRUE(Contains(got.err, "refusing to probe this machine's own network")) << got.err;
  EXPECT_FALSE(platform::fs::FileExists(report));
  EXPECT_EQ(RunTool({"repair", "--bogus"}).exitStatus, 2);
}

// The system analysis reports the machine's own names, read through the
// real user and computer-name queries, between its section's lines.
TEST_F(VamoToolTest, AnalyzeSystemReportsThisMachine) {
  ToolOutput got = RunTool({"analyze", "system"});
  ASSERT_EQ(got.exitStatus, 0) << got.err;
  const std::string out = Lines(got.out);
  const size_t begin = out.find("------- ANALYSIS USER BEGIN -------\n");
  const size_t end = out.find("------- ANALYSIS USER END -------\n");
  ASSERT_NE(begin, std::string::npos) << out;
  ASSERT_NE(end, std::string::npos) << out;
  EXPECT_LT(begin, end);
  EXPECT_TRUE(Contains(out, "컴퓨터 이름 : " + platform::ComputerName() + "\n")) << out;
  EXPECT_TRUE(Contains(out, "사용자 : " + platform::UserName() + "\n")) << out;
  EXPECT_TRUE(out.ends_with("result: 0\n")) << out;
}

// Wine installs its own Internet Explorer (iexplore.exe with a version
// resource), which the browser analysis finds through the registry.
TEST_F(VamoToolTest, AnalyzeBrowsersFindsInternetExplorer) {
  ToolOutput got = RunTool({"analyze", "browsers"});
  ASSERT_EQ(got.exitStatus, 0) << got.err;
  const std::string out = Lines(got.out);
  EXPECT_TRUE(Contains(out, "------- ANALYSIS BROWSER BEGIN -------\n")) << out;
  EXPECT_TRUE(Contains(out, "Browser : InternetExplorer (")) << out;
  EXPECT_TRUE(Contains(out, "other browser: 0\n")) << out;
  EXPECT_TRUE(out.ends_with("result: 0\n")) << out;
}

// A test build refuses to probe a network nobody made for it: the suite
// runs in the machine's own network, so nothing is sent and the tool says why.
TEST_F(VamoToolTest, AnalyzeNetworkRefusesTheMachinesOwnNetwork) {
  ToolOutput got = RunTool({"analyze", "network"});
  EXPECT_EQ(got.exitStatus, 1);
  EXPECT_EQ(got.out, "");
  EXPECT_TRUE(Contains(got.err, "refusing to probe this machine's own network")) << got.err;
  EXPECT_FALSE(Contains(got.err, "status:")) << got.err;
  EXPECT_EQ(RunTool({"analyze", "everything"}).exitStatus, 2);
}

// The download is in: it refuses a scheme other than http and https with the
// item form's lines and the download's failure code, before any connection.
TEST(DownloadCommandTest, RefusesOtherSchemes) {
  ToolOutput got = RunTool({"download", "ftp://127.0.0.1:21/f.bin", "C:\\windows\\temp\\f.bin"});
  EXPECT_EQ(got.exitStatus, 1) << got.out << got.err;
  const std::string all = got.out + got.err;
  EXPECT_TRUE(Contains(all, "--FileDownload Protocol incorrect.")) << all;
  EXPECT_TRUE(Contains(all, "result: -9101")) << all;
}

}  // namespace
