#include "platform/pe/VersionResource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/resources/ModuleResources.h"
#include "platform/resources/ResourceTable.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"

namespace {

std::vector<uint8_t> VersionBlock(const std::string& path) {
  const uint32_t size = platform::FileVersionInfoSize(path);
  std::vector<uint8_t> block(size);
  if (size == 0 || !platform::ReadFileVersionInfo(path, block)) block.clear();
  return block;
}

std::string Text(const std::vector<uint8_t>& block, const std::string& path) {
  const auto value = platform::QueryVersionValue(block, path);
  return value ? platform::VersionValueText(*value) : "<none>";
}

struct Missing {
  const char* file;
  platform::Win32Error error;
};

class NoVersionResource : public ::testing::TestWithParam<Missing> {
 protected:
  TempPrefix m_prefix;
};

class VersionResource : public ::testing::Test {
 protected:
  TempPrefix m_prefix;
};

TEST_P(NoVersionResource, SizeIsZeroWithTheReason) {
  platform::SetLastError(0);
  EXPECT_EQ(platform::FileVersionInfoSize(FixtureWindowsPath(GetParam().file)), 0u);
  EXPECT_EQ(platform::GetLastError(), GetParam().error);
  std::vector<uint8_t> buffer(16, 0xAB);
  EXPECT_FALSE(platform::ReadFileVersionInfo(FixtureWindowsPath(GetParam().file), buffer));
  EXPECT_EQ(buffer, std::vector<uint8_t>(16, 0xAB));
}

INSTANTIATE_TEST_SUITE_P(Files, NoVersionResource,
                         ::testing::Values(Missing{"plain64.exe", platform::kErrorResourceDataNotFound},
                                           Missing{"strings64.dll", platform::kErrorResourceTypeNotFound},
                                           Missing{"notes.txt", platform::kErrorBadExeFormat},
                                           Missing{"no-such-file.exe", platform::kErrorFileNotFound}),
                         [](const ::testing::TestParamInfo<Missing>& info) {
                           std::string name = info.param.file;
                           for (char& c : name) {
                             if (c == '.' || c == '-') c = '_';
                           }
                           return name;
                         });

TEST_F(VersionResource, QueriesStringsFixedInfoAndTranslations) {
  const std::vector<uint8_t> block = VersionBlock(FixtureWindowsPath("app32.exe"));
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\ProductName"), "Gamma");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\041204b0\\FileDescription"), "감마 브라우저");
  // Keys and hex digits compare without case; empty path parts are skipped.
  EXPECT_EQ(Text(block, "\\stringfileinfo\\041204B0\\\\productname"), "감마");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\LegalCopyright"), "<none>");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\00000000\\ProductName"), "<none>");

  const auto translation = platform::QueryVersionValue(block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation.has_value());
  EXPECT_FALSE(translation->isText);
  const std::vector<uint8_t> expected = {0x09, 0x04, 0xB0, 0x04, 0x12, 0x04, 0xB0, 0x04};
  EXPECT_EQ(std::vector<uint8_t>(translation->bytes.begin(), translation->bytes.end()), expected);

  const auto fixed = platform::QueryVersionValue(block, "\\");
  ASSERT_TRUE(fixed.has_value());
  ASSERT_EQ(fixed->bytes.size(), 52u);  // VS_FIXEDFILEINFO
  uint32_t words[4];
  std::memcpy(words, fixed->bytes.data(), sizeof(words));
  EXPECT_EQ(words[0], 0xFEEF04BDu);
  EXPECT_EQ(words[2], 0x00070000u);  // FileVersionMS: 7.0
  EXPECT_EQ(words[3], 0x00000005u);  // FileVersionLS: 0.5
}

TEST_F(VersionResource, RunningProgramReadsItsEmbeddedVersion) {
  const std::string self = platform::ModuleFileName();
  ASSERT_TRUE(platform::IsModuleFile(self));
  const std::vector<uint8_t> block = VersionBlock(self);
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(Text(block, "\\StringFileInfo\\00000000\\FileVersion"), "1, 0, 1, 8");
  const auto translation = platform::QueryVersionValue(block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation.has_value());
  EXPECT_EQ(std::vector<uint8_t>(translation->bytes.begin(), translation->bytes.end()), std::vector<uint8_t>(4, 0));
}

TEST_F(VersionResource, ShortBufferGetsThePrefixOfTheBlock) {
  const std::string path = FixtureWindowsPath("app64.exe");
  const std::vector<uint8_t> whole = VersionBlock(path);
  ASSERT_GT(whole.size(), 40u);
  std::vector<uint8_t> part(40);
  ASSERT_TRUE(platform::ReadFileVersionInfo(path, part));
  EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin()));
  // A truncated block claims more than it has; queries fail instead of
  // reading beyond it.
  EXPECT_FALSE(platform::QueryVersionValue(part, "\\StringFileInfo\\041204b0\\ProductName"));
}

// Walks every truncation and every single-byte corruption of a real block:
// queries may fail but never read outside the buffer (checked under ASan)
// and never return a value that extends past it.
TEST_F(VersionResource, DamagedBlocksNeverReadOutside) {
  const std::vector<uint8_t> block = VersionBlock(FixtureWindowsPath("app32.exe"));
  ASSERT_FALSE(block.empty());
  const char* paths[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\041204b0\\ProductName"};
  for (size_t length = 0; length <= block.size(); ++length) {
    const std::vector<uint8_t> part(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length));
    for (const char* path : paths) {
      const auto value = platform::QueryVersionValue(part, path);
      if (value) {
        EXPECT_LE(value->bytes.data() + value->bytes.size(), part.data() + part.size());
      }
    }
  }
  for (size_t at = 0; at < block.size(); ++at) {
    std::vector<uint8_t> damaged = block;
    damaged[at] ^= 0xA5;
    for (const char* path : paths) {
      const auto value = platform::QueryVersionValue(damaged, path);
      if (value) {
        EXPECT_LE(value->bytes.data() + value->bytes.size(), damaged.data() + damaged.size());
      }
    }
  }
}

}  // namespace
