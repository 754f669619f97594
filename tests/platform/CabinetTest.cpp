#include "platform/cabinet/Cabinet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

namespace cab = platform::cabinet;

const std::string kMakeCabinet = std::string(VAMO_TEST_DATA_DIR) + "/cabinets/make_cabinet.py";

// Extracts everything into C:\out\ and remembers what happened.
class Recorder : public cab::ICabinetCallback {
 public:
  std::optional<std::string> FileInCabinet(const cab::CabinetFile& file) override {
    return "C:\\out\\" + file.name;
  }
  void FileExtracted(const cab::CabinetFile& file, const std::string&, platform::Win32Error error) override {
    extracted[file.name] = error;
  }
  void NameRefused(const cab::CabinetFile& file) override { refused.push_back(file.name); }

  std::map<std::string, platform::Win32Error> extracted;
  std::vector<std::string> refused;
};

class CabinetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_strHost = prefix.DriveC() + "/cab";
    std::filesystem::create_directories(m_strHost + "/src/sub");
    Shell("head -c 200000 /dev/urandom > src/random.bin && printf 'hello\\r\\n' > src/a.txt && "
          "seq 1 20000 > src/sub/lines.txt");
  }
  void Shell(const std::string& command) {
    ToolOutput out =
        RunProgram("/bin/sh", {"-c", "cd '" + m_strHost + "' && " + command}, {"MAKECAB=" + kMakeCabinet});
    ASSERT_EQ(out.exitStatus, 0) << command << "\n" << out.err;
  }
  // Every regular file below a host folder, relative name -> bytes.
  static std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(root)) return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) {
        files[std::filesystem::relative(entry.path(), root).string()] = ReadHostFile(entry.path().string());
      }
    }
    return files;
  }

  TempPrefix prefix;
  std::string m_strHost;
};

struct PackedCabinet {
  const char* label;
  const char* command;  // makes "c.cab" from src/
};

void PrintTo(const PackedCabinet& c, std::ostream* os) { *os << c.label; }

class CabinetPackedTest : public CabinetTest, public ::testing::WithParamInterface<PackedCabinet> {};

// Our extraction and cabextract agree byte for byte on every file.
TEST_P(CabinetPackedTest, ExtractsWhatCabextractExtracts) {
  Shell(GetParam().command);
  Shell("cabextract -q -d peer c.cab");
  Recorder recorder;
  ASSERT_EQ(cab::IterateCabinet("C:\\cab\\c.cab", recorder), platform::kErrorSuccess);
  EXPECT_TRUE(recorder.refused.empty());
  for (const auto& [name, error] : recorder.extracted) EXPECT_EQ(error, platform::kErrorSuccess) << name;
  std::map<std::string, std::string> ours = Tree(prefix.DriveC() + "/out");
  std::map<std::string, std::string> peer = Tree(m_strHost + "/peer");
  ASSERT_FALSE(peer.empty());
  EXPECT_EQ(ours, peer);

  auto listed = cab::ListCabinet("C:\\cab\\c.cab");
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(listed->size(), peer.size());
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CabinetPackedTest,
    ::testing::Values(PackedCabinet{"GcabStored", "cd src && gcab -c ../c.cab random.bin a.txt sub/lines.txt"},
                      PackedCabinet{"GcabMszip", "cd src && gcab -cz ../c.cab random.bin a.txt sub/lines.txt"},
                      PackedCabinet{"HandMade", "python3 \"$MAKECAB\" c.cab 'x.bin=src/random.bin' "
                                                "'deep\\er\\a.txt=src/a.txt'"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CabinetTest, ListsStoredNamesInOrder) {
  Shell("python3 \"$MAKECAB\" c.cab 'b.txt=src/a.txt' 'sub\\a.bin=src/random.bin' '..\\up.txt=src/a.txt'");
  auto listed = cab::ListCabinet("C:\\cab\\c.cab");
  ASSERT_TRUE(listed.has_value());
  std::vector<std::string> names;
  for (const auto& file : *listed) names.push_back(file.name);
  EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "sub\\a.bin", "..\\up.txt"}));
  EXPECT_EQ((*listed)[1].size, 200000u);
}

// Names that would land outside the extraction folder are refused one by
// one; the other files of the same cabinet are still extracted.
TEST_F(CabinetTest, HostileNamesAreRefusedAndTheRestExtracted) {
  const std::vector<std::string> hostile = {
      "..\\evil1.txt", "../evil2.txt", "\\evil3.txt", "/evil4.txt", "C:\\evil5.txt", "c:evil6.txt",
      "\\\\server\\share\\evil7.txt", "sub\\..\\..\\evil8.txt", "sub/../../evil9.txt", ".. \\evil10.txt"};
  std::string command = "python3 \"$MAKECAB\" c.cab 'good.txt=src/a.txt'";
  for (const std::string& name : hostile) command += " '" + name + "=src/a.txt'";
  command += " 'sub\\fine.bin=src/random.bin'";
  Shell(command);

  Recorder recorder;
  ASSERT_EQ(cab::IterateCabinet("C:\\cab\\c.cab", recorder), platform::kErrorSuccess);
  EXPECT_EQ(recorder.refused, hostile);
  EXPECT_EQ(recorder.extracted.size(), 2u);
  std::map<std::string, std::string> ours = Tree(prefix.DriveC() + "/out");
  EXPECT_EQ(ours.size(), 2u);
  EXPECT_EQ(ours["good.txt"], "hello\r\n");
  EXPECT_EQ(ours["sub/fine.bin"], ReadHostFile(m_strHost + "/src/random.bin"));
  // Nothing named evil anywhere in the prefix.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(prefix.Root())) {
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
  }
}

// Names that carry the UTF-8 flag but are not UTF-8 are listed and created
// as valid text: each byte that starts no valid sequence becomes U+FFFD, so
// an overlong "/" or "." can never act as one.
TEST_F(CabinetTest, BrokenUtf8NamesBecomeValidText) {
  const std::vector<std::pair<const char*, std::string>> names = {
      {"bad\\377.txt", "bad\uFFFD.txt"},
      {"cut\\342\\202.txt", "cut\uFFFD\uFFFD.txt"},
      {"over\\300\\257x.txt", "over\uFFFD\uFFFDx.txt"},
      {"\\300\\256\\300\\256\\\\dots.txt", "\uFFFD\uFFFD\uFFFD\uFFFD\\dots.txt"},
      {"sur\\355\\240\\200.txt", "sur\uFFFD\uFFFD\uFFFD.txt"},
      {"dir\\377\\\\in.txt", "dir\uFFFD\\in.txt"},
      {"ok-\\352\\260\\200.txt", "ok-\uAC00.txt"}};
  std::string command = "python3 \"$MAKECAB\" c.cab";
  for (const auto& [printable, _] : names) command += " \"$(printf '" + std::string(printable) + "')=src/a.txt\"";
  Shell(command);

  auto listed = cab::ListCabinet("C:\\cab\\c.cab");
  ASSERT_TRUE(listed.has_value());
  std::vector<std::string> got, expected;
  for (const auto& file : *listed) got.push_back(file.name);
  for (const auto& [_, text] : names) expected.push_back(text);
  EXPECT_EQ(got, expected);

  Recorder recorder;
  ASSERT_EQ(cab::IterateCabinet("C:\\cab\\c.cab", recorder), platform::kErrorSuccess);
  EXPECT_TRUE(recorder.refused.empty());
  std::set<std::string> onDisk, wanted;
  for (const auto& [name, bytes] : Tree(prefix.DriveC() + "/out")) {
    onDisk.insert(name);
    EXPECT_EQ(bytes, "hello\r\n") << name;
  }
  for (std::string text : expected) {
    std::replace(text.begin(), text.end(), '\\', '/');
    wanted.insert(text);
  }
  EXPECT_EQ(onDisk, wanted);
}

}  // namespace
