#include "platform/cabinet/Cabinet.h"

#include <gtest/gtest.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "HostileCabinet.h"
#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"

namespace {

namespace cab = platform::cabinet;

// The stored names of HostileCabinet.h, in order (tests/contract/CMakeLists.txt).
const std::vector<std::string> kHostile = {
    "..\\evil1.txt", "../evil2.txt", "\\evil3.txt", "/evil4.txt", "C:\\evil5.txt", "c:evil6.txt",
    "\\\\server\\share\\evil7.txt", "sub\\..\\..\\evil8.txt", "sub/../../evil9.txt", ".. \\evil10.txt"};
const std::string kFine = [] {
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "0123456789abcdef";
  return text;
}();

// Extracts everything below one folder and remembers what happened.
class Recorder : public cab::ICabinetCallback {
 public:
  explicit Recorder(std::string folder) : m_folder(std::move(folder)) {}
  std::optional<std::string> FileInCabinet(const cab::CabinetFile& file) override {
    return m_folder + "\\" + file.name;
  }
  void FileExtracted(const cab::CabinetFile& file, const std::string&, platform::Win32Error error) override {
    extracted[file.name] = error;
  }
  void NameRefused(const cab::CabinetFile& file) override { refused.push_back(file.name); }

  std::map<std::string, platform::Win32Error> extracted;
  std::vector<std::string> refused;

 private:
  std::string m_folder;
};

class CabinetContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::fs::WriteFileAtomic(CabinetPath(), std::span<const uint8_t>(kHostileCabinet)),
              platform::kErrorSuccess);
  }
  std::string CabinetPath() const { return m_scratch.PathOf("c.cab"); }
  std::string Text(const std::string& path) const {
    auto bytes = platform::fs::ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
  }

  ScratchSpace m_scratch;
};

TEST_F(CabinetContractTest, ListsStoredNamesInOrder) {
  auto listed = cab::ListCabinet(CabinetPath());
  ASSERT_TRUE(listed.has_value()) << listed.error();
  std::vector<std::string> names;
  for (const auto& file : *listed) names.push_back(file.name);
  std::vector<std::string> expected{"good.txt"};
  expected.insert(expected.end(), kHostile.begin(), kHostile.end());
  expected.push_back("sub\\fine.bin");
  EXPECT_EQ(names, expected);
  EXPECT_EQ(listed->back().size, kFine.size());
}

// Names that would land outside the extraction folder are refused one by
// one, by our own check, from a file as from an image in memory; the other
// files of the same cabinet are still extracted.
class CabinetSourceTest : public CabinetContractTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CabinetSourceTest, HostileNamesAreRefusedAndTheRestExtracted) {
  const std::string out = m_scratch.PathOf("out");
  Recorder recorder(out);
  const platform::Win32Error result = GetParam() ? cab::IterateCabinet(std::span<const uint8_t>(kHostileCabinet), recorder)
                                                 : cab::IterateCabinet(CabinetPath(), recorder);
  ASSERT_EQ(result, platform::kErrorSuccess);
  EXPECT_EQ(recorder.refused, kHostile);
  EXPECT_EQ(recorder.extracted,
            (std::map<std::string, platform::Win32Error>{{"good.txt", 0}, {"sub\\fine.bin", 0}}));
  EXPECT_EQ(Text(out + "\\good.txt"), "hello\r\n");
  EXPECT_EQ(Text(out + "\\sub\\fine.bin"), kFine);
  // Nothing named evil where a climbing or absolute name would have put it.
  for (int i = 1; i <= 10; ++i) {
    const std::string name = "evil" + std::to_string(i) + ".txt";
    for (const std::string& folder : {m_scratch.Folder(), out, out + "\\sub", std::string("C:")}) {
      EXPECT_FALSE(platform::fs::FileExists(folder + "\\" + name)) << folder << "\\" << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(FileAndImage, CabinetSourceTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Image" : "File"; });

TEST_F(CabinetContractTest, MissingCabinetIsFileNotFound) {
  Recorder recorder(m_scratch.PathOf("out"));
  EXPECT_EQ(cab::IterateCabinet(m_scratch.PathOf("missing.cab"), recorder), platform::kErrorFileNotFound);
  EXPECT_EQ(cab::ListCabinet(m_scratch.PathOf("missing.cab")).error(), platform::kErrorFileNotFound);
  EXPECT_TRUE(recorder.extracted.empty());
}

// A file that is no cabinet, empty or not, is ERROR_INVALID_DATA on Windows,
// from a file as from an image, and nothing is extracted.
TEST_F(CabinetContractTest, NoCabinetIsInvalidData) {
  // Wine 8 lists such a file as an empty cabinet, with success (its own
  // setupapi tests mark Windows' ERROR_INVALID_DATA todo_wine, setupcab.c,
  // test_invalid_parametersW); the backend checks the signature itself.
  ASSERT_EQ(platform::fs::WriteFileAtomic(m_scratch.PathOf("empty.cab"), std::string_view()), platform::kErrorSuccess);
  ASSERT_EQ(platform::fs::WriteFileAtomic(m_scratch.PathOf("a.txt"), std::string_view("hello\r\n")),
            platform::kErrorSuccess);
  Recorder recorder(m_scratch.PathOf("out"));
  for (const char* name : {"empty.cab", "a.txt"}) {
    EXPECT_EQ(cab::ListCabinet(m_scratch.PathOf(name)).error(), platform::kErrorInvalidData) << name;
    EXPECT_EQ(cab::IterateCabinet(m_scratch.PathOf(name), recorder), platform::kErrorInvalidData) << name;
  }
  const std::string text = "not a cabinet";
  EXPECT_EQ(cab::IterateCabinet(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), recorder),
            platform::kErrorInvalidData);
  EXPECT_TRUE(recorder.extracted.empty());
  EXPECT_TRUE(recorder.refused.empty());
}

TEST(CabinetNameTest, SafeNamesStayInsideTheFolder) {
  for (const char* name : {"a.txt", "sub\\a.txt", "sub/a.txt", "...txt", "a..b", ".hidden", "a\\.\\b"}) {
    EXPECT_TRUE(cab::IsSafeMemberName(name)) << name;
  }
  for (const char* name : {"", "..", "..\\a", "a\\..", "a\\..\\b", "\\a", "/a", "C:a", "a:b", "...\\a", ". .\\a"}) {
    EXPECT_FALSE(cab::IsSafeMemberName(name)) << name;
  }
}

}  // namespace
