#include "platform/resources/ResourceTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/pe/PeImage.h"
#include "platform/resources/ModuleResources.h"
#include "resources/deployment.h"
#include "resources/resource.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"

namespace {

std::vector<uint8_t> HostBytes(const std::string& path) {
  const std::string text = ReadHostFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::string AsText(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
  uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

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

TEST_F(ProgramResources, StringTableHoldsTheDeploymentValues) {
  EXPECT_EQ(platform::LoadString(IDS_UPDATE_LIST_URL), VAMO_UPDATE_LIST_URL);
  EXPECT_EQ(platform::LoadString(IDS_ACTION_GUIDE_URL), VAMO_ACTION_GUIDE_URL);
  EXPECT_EQ(platform::LoadString(IDS_CARRIER_WEB_HOST), VAMO_CARRIER_WEB_HOST);
  EXPECT_EQ(platform::LoadString(IDS_PAYMENT_SERVER_HOST), VAMO_PAYMENT_SERVER_HOST);
  EXPECT_EQ(platform::LoadString(IDS_SUPPORT_PHONE), VAMO_SUPPORT_PHONE);
  EXPECT_EQ(platform::LoadString(IDS_SUPPORT_EMAIL), VAMO_SUPPORT_EMAIL);
  // Ids without a string, in a present block and in an absent one.
  EXPECT_EQ(platform::LoadString(9), "");
  EXPECT_EQ(platform::LoadString(4000), "");
}

TEST_F(ProgramResources, PublicKeyIsThePemFileByteForByte) {
  const auto key = platform::FindResource(platform::ResourceName("KEY"), platform::ResourceName(IDR_PUBLIC_KEY));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(AsText(*key), ReadHostFile(VAMO_PUBLIC_KEY_PEM));
  EXPECT_EQ(AsText(*key).rfind("-----BEGIN PUBLIC KEY-----", 0), 0u);
  // Type names compare without case, as Windows upper-cases them.
  EXPECT_TRUE(platform::FindResource(platform::ResourceName("key"), platform::ResourceName(IDR_PUBLIC_KEY)));
}

TEST_F(ProgramResources, DialogsAndIconArePresent) {
  for (uint16_t id : {IDD_VAMOSETUP_DIALOG, IDD_DIALOG_BROWSER, IDD_DIALOG_WELCOME, IDD_DIALOG_ERROR}) {
    const auto dialog = platform::FindResource(platform::kRtDialog, id);
    ASSERT_TRUE(dialog.has_value()) << id;
    // DLGTEMPLATEEX starts with version 1 and signature 0xFFFF.
    EXPECT_EQ(Read32(*dialog, 0), 0xFFFF0001u) << id;
  }
  EXPECT_TRUE(platform::FindResource(platform::kRtGroupIcon, IDR_MAINFRAME).has_value());
  EXPECT_EQ(platform::FindResource(platform::kRtDialog, 999).error(), platform::kErrorResourceNameNotFound);
  EXPECT_EQ(platform::FindResource(platform::ResourceName("NOPE"), 1).error(), platform::kErrorResourceTypeNotFound);
}

TEST(ResourceTable, ReadsStringBlocksOfAPeImage) {
  const std::vector<uint8_t> file = HostBytes(FixtureHostPath("strings64.dll"));
  const auto table = platform::ResourceTable::FromPeImage(file);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->LoadString(1), "first");
  EXPECT_EQ(table->LoadString(17), "block two");
  EXPECT_EQ(table->LoadString(2), "");
  EXPECT_EQ(table->LoadString(70000), "");
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
