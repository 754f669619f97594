#include "platform/resources/ResourceTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/pe/PeImage.h"
#include "platform/pe/VersionResource.h"
#include "platform/registry/Registry.h"
#include "platform/resources/ModuleResources.h"
#include "platform/resources/ModuleResources_posix.h"
#include "resources/resource.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"

namespace {

std::vector<uint8_t> HostBytes(const std::string& path) {
  const std::string text = ReadHostFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string AsText(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// The program's own resources, as windres compiled them and as the program
// sees them after start-up.
class ProgramResources : public ::testing::Test {
 protected:
  std::vector<uint8_t> m_res = HostBytes(VAMO_RES_FILE);
};

TEST_F(ProgramResources, EmbeddedBytesAreTheCompiledFile) {
  ASSERT_FALSE(m_res.empty());
  const platform::ResourceTable* module = platform::ModuleResources();
  ASSERT_NE(module, nullptr);
  const auto table = platform::ResourceTable::FromResFile(m_res);
  ASSERT_TRUE(table.has_value());
  ASSERT_EQ(module->Entries().size(), table->Entries().size());
  for (size_t i = 0; i < table->Entries().size(); ++i) {
    EXPECT_EQ(AsText(module->Entries()[i].data), AsText(table->Entries()[i].data)) << "entry " << i;
  }
}

TEST_F(ProgramResources, PublicKeyIsThePemFileByteForByte) {
  const auto key = platform::FindModuleResource(platform::ResourceName("KEY"), platform::ResourceName(IDR_PUBLIC_KEY));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(AsText(*key), ReadHostFile(VAMO_PUBLIC_KEY_PEM));
}

TEST_F(ProgramResources, IconIsPresent) {
  EXPECT_TRUE(platform::FindModuleResource(platform::kRtGroupIcon, IDR_MAINFRAME).has_value());
}

TEST(ResourceTable, ReadsStringBlocksOfAPeImage) {
  const std::vector<uint8_t> file = HostBytes(FixtureHostPath("strings64.dll"));
  const auto table = platform::ResourceTable::FromPeImage(file);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->FindString(1, nullptr), "first");
  EXPECT_EQ(table->FindString(17, nullptr), "block two");
  EXPECT_EQ(table->FindString(2, nullptr), "");
  EXPECT_EQ(table->FindString(70000, nullptr), "");
}

// The user's UI language the copy choice is asked for.
uint16_t g_uiLanguage = 0;
uint16_t TestUiLanguage() { return g_uiLanguage; }

struct LanguageChoice {
  const char* file;
  uint16_t uiLanguage;
  uint16_t chosen;       // the language of the copy taken
  const char* chosenName;  // that copy's string 1
};

class ResourceLanguageChoice : public ::testing::TestWithParam<LanguageChoice> {};

// Of several language copies the lookup takes the one Windows takes: neutral,
// the UI language, its neutral form, English (US), English, else the first.
// The version block and the string table get the same copy.
TEST_P(ResourceLanguageChoice, TakesTheCopyWindowsTakes) {
  const LanguageChoice& c = GetParam();
  const std::vector<uint8_t> file = HostBytes(FixtureHostPath(c.file));
  const auto table = platform::ResourceTable::FromPeImage(file);
  ASSERT_TRUE(table.has_value());
  g_uiLanguage = c.uiLanguage;
  EXPECT_EQ(table->FindString(1, &TestUiLanguage), c.chosenName);
  const auto block = table->Find(platform::kRtVersion, 1, &TestUiLanguage);
  ASSERT_TRUE(block.has_value());
  // Each copy's translation table names its own language.
  const auto translation = platform::QueryVersionValue(*block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation.has_value());
  EXPECT_EQ(translation->bytes[0] | (translation->bytes[1] << 8), c.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, ResourceLanguageChoice,
    ::testing::Values(
        // Arabic, German (neutral), English (US), Japanese, Korean; no neutral copy.
        LanguageChoice{"langs-many.dll", 0x0412, 0x0412, "한국어"},
        LanguageChoice{"langs-many.dll", 0x0411, 0x0411, "日本語"},
        LanguageChoice{"langs-many.dll", 0x0C07, 0x0007, "Deutsch"},
        LanguageChoice{"langs-many.dll", 0x040C, 0x0409, "English (US)"},
        LanguageChoice{"langs-many.dll", 0x0000, 0x0409, "English (US)"},
        // Arabic, English (neutral), Japanese.
        LanguageChoice{"langs-english-neutral.dll", 0x040C, 0x0009, "English"},
        LanguageChoice{"langs-english-neutral.dll", 0x0411, 0x0411, "日本語"},
        // Arabic and Korean only: a French user gets the first copy.
        LanguageChoice{"langs-arabic-first.dll", 0x040C, 0x0401, "عربي"},
        LanguageChoice{"langs-arabic-first.dll", 0x0412, 0x0412, "한국어"},
        // A neutral copy wins over every language.
        LanguageChoice{"langs-with-neutral.dll", 0x0412, 0x0000, "Neutral"},
        LanguageChoice{"langs-with-neutral.dll", 0x0401, 0x0000, "Neutral"}),
    [](const ::testing::TestParamInfo<LanguageChoice>& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      for (char& ch : name) {
        if (ch == '-') ch = '_';
      }
      char language[8];
      std::snprintf(language, sizeof language, "%04X", info.param.uiLanguage);
      return name + "_" + language;
    });

int s_nAsked = 0;
uint16_t CountingUiLanguage() {
  ++s_nAsked;
  return 0x0412;
}

// Without a UI language source only the English and first-copy rules apply;
// a resource in one copy is found without asking for the language at all.
TEST(ResourceTable, LanguageIsAskedOnlyWhenTheCopiesDiffer) {
  s_nAsked = 0;
  const std::vector<uint8_t> many = HostBytes(FixtureHostPath("langs-many.dll"));
  const auto table = platform::ResourceTable::FromPeImage(many);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->FindString(1, nullptr), "English (US)");
  EXPECT_EQ(table->FindString(1, &CountingUiLanguage), "한국어");
  EXPECT_EQ(s_nAsked, 1);

  const std::vector<uint8_t> single = HostBytes(FixtureHostPath("strings64.dll"));
  const auto one = platform::ResourceTable::FromPeImage(single);
  ASSERT_TRUE(one.has_value());
  EXPECT_EQ(one->FindString(1, &CountingUiLanguage), "first");
  EXPECT_EQ(s_nAsked, 1);
}

// The version reader follows the prefix's user language: Korean by default,
// the user's own MUI language when one is set.
TEST(ResourceTable, VersionResourceFollowsTheUsersLanguage) {
  TempPrefix prefix;
  const std::string path = FixtureWindowsPath("langs-many.dll");
  auto productName = [&]() {
    const uint32_t size = platform::FileVersionInfoSize(path);
    std::vector<uint8_t> block(size);
    if (size == 0 || !platform::ReadFileVersionInfo(path, block)) return std::string("(none)");
    const auto value = platform::QueryVersionValue(block, "\\StringFileInfo\\041204b0\\ProductName");
    const auto english = platform::QueryVersionValue(block, "\\StringFileInfo\\040904b0\\ProductName");
    if (value) return platform::VersionValueText(*value);
    return english ? platform::VersionValueText(*english) : std::string("(other)");
  };
  EXPECT_EQ(productName(), "한국어");
  platform::RegKey desktop;
  ASSERT_EQ(desktop.Create(platform::RegRoot::kCurrentUser, "Control Panel\\Desktop"), 0u);
  ASSERT_EQ(desktop.SetString("MultiUILanguageId", "00000409"), 0u);
  EXPECT_EQ(productName(), "English (US)");
}

TEST(ResourceTable, ImageWithoutResourcesSaysSo) {
  const std::vector<uint8_t> file = HostBytes(FixtureHostPath("plain64.exe"));
  EXPECT_EQ(platform::ResourceTable::FromPeImage(file).error(), platform::kErrorResourceDataNotFound);
  const std::vector<uint8_t> text = HostBytes(FixtureHostPath("notes.txt"));
  EXPECT_EQ(platform::ResourceTable::FromPeImage(text).error(), platform::kErrorBadExeFormat);
}

// A resource directory whose subdirectory points back at the root: the walk
// must end with an error, not loop or recurse without end.
TEST(ResourceTable, CyclicDirectoryEndsTheWalk) {
  std::vector<uint8_t> file = HostBytes(FixtureHostPath("strings64.dll"));
  const auto image = platform::pe::ParsePeImage(file);
  ASSERT_TRUE(image.has_value());
  const auto root = platform::pe::RvaToFileOffset(*image, image->resource.virtualAddress, 16, file.size());
  ASSERT_TRUE(root.has_value());
  // First entry of the root (the RT_STRING type): its subdirectory is now
  // the root itself.
  const size_t entry = *root + 16;
  file[entry + 4] = 0;
  file[entry + 5] = 0;
  file[entry + 6] = 0;
  file[entry + 7] = 0x80;
  const auto table = platform::ResourceTable::FromPeImage(file);
  ASSERT_FALSE(table.has_value());
  EXPECT_EQ(table.error(), platform::kErrorInvalidData);
}

// Every truncation of a real .res file is either read (up to the last whole
// entry) or refused; none reads outside the bytes.
TEST(ResourceTable, TruncatedResFilesFailCleanly) {
  const std::vector<uint8_t> own = HostBytes(VAMO_RES_FILE);
  ASSERT_GT(own.size(), 4096u);
  size_t refused = 0;
  for (size_t length = 0; length < 4096; length += 3) {
    const std::vector<uint8_t> part(own.begin(), own.begin() + static_cast<std::ptrdiff_t>(length));
    const auto table = platform::ResourceTable::FromResFile(part);
    if (!table) {
      ++refused;
      EXPECT_EQ(table.error(), platform::kErrorInvalidData);
    }
  }
  EXPECT_GT(refused, 0u);
}

TEST(ResourceTable, RefusesHeaderSizesThatCannotBe) {
  std::vector<uint8_t> res = HostBytes(VAMO_RES_FILE);
  ASSERT_GT(res.size(), 64u);
  std::vector<uint8_t> huge = res;
  huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;  // header size 4 GiB
  EXPECT_EQ(platform::ResourceTable::FromResFile(huge).error(), platform::kErrorInvalidData);
  std::vector<uint8_t> tiny = res;
  tiny[4] = 8;  // shorter than the fixed fields
  tiny[5] = tiny[6] = tiny[7] = 0;
  EXPECT_EQ(platform::ResourceTable::FromResFile(tiny).error(), platform::kErrorInvalidData);
}

}  // namespace
