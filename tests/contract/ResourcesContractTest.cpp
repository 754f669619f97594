#include "platform/resources/ModuleResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"

#include "resources/deployment.h"
#include "resources/resource.h"

namespace {

using platform::FindModuleResource;
using platform::LoadModuleString;
using platform::ResourceName;

std::string AsText(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

uint16_t Read16(std::span<const uint8_t> bytes, size_t at) {
  uint16_t value = 0;
  if (at + 2 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

uint32_t Read32(std::span<const uint8_t> bytes, size_t at) {
  uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

TEST(ProgramResources, StringTableHoldsTheDeploymentValues) {
  EXPECT_EQ(LoadModuleString(IDS_UPDATE_LIST_URL), VAMO_UPDATE_LIST_URL);
  EXPECT_EQ(LoadModuleString(IDS_ACTION_GUIDE_URL), VAMO_ACTION_GUIDE_URL);
  EXPECT_EQ(LoadModuleString(IDS_CARRIER_WEB_HOST), VAMO_CARRIER_WEB_HOST);
  EXPECT_EQ(LoadModuleString(IDS_PAYMENT_SERVER_HOST), VAMO_PAYMENT_SERVER_HOST);
  EXPECT_EQ(LoadModuleString(IDS_SUPPORT_PHONE), VAMO_SUPPORT_PHONE);
  EXPECT_EQ(LoadModuleString(IDS_SUPPORT_EMAIL), VAMO_SUPPORT_EMAIL);
  // Ids without a string, in a present block and in an absent one.
  EXPECT_EQ(LoadModuleString(9), "");
  EXPECT_EQ(LoadModuleString(4000), "");
}

TEST(ProgramResources, PublicKeyIsFoundByItsTypeNameInAnyCase) {
  const auto key = FindModuleResource(ResourceName("KEY"), ResourceName(IDR_PUBLIC_KEY));
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(AsText(*key).rfind("-----BEGIN PUBLIC KEY-----", 0), 0u);
  // Type names compare without case, as Windows upper-cases them.
  const auto lower = FindModuleResource(ResourceName("key"), ResourceName(IDR_PUBLIC_KEY));
  ASSERT_TRUE(lower.has_value());
  EXPECT_EQ(lower->data(), key->data());
}

struct DialogCase {
  uint16_t id;
  uint32_t style;  // as the script writes it, DS_SETFONT included
  uint16_t items;
  uint16_t width;
  uint16_t height;
};

class ProgramDialogs : public ::testing::TestWithParam<DialogCase> {};

// The DLGTEMPLATEEX header as the script describes the dialog: what the
// dialog code builds its window from.
TEST_P(ProgramDialogs, TemplateIsTheScriptsDialog) {
  const DialogCase& c = GetParam();
  const auto dialog = FindModuleResource(platform::kRtDialog, c.id);
  ASSERT_TRUE(dialog.has_value()) << dialog.error();
  ASSERT_GE(dialog->size(), 26u);
  EXPECT_EQ(Read32(*dialog, 0), 0xFFFF0001u) << "version 1, signature 0xFFFF";
  EXPECT_EQ(Read32(*dialog, 12), c.style);
  EXPECT_EQ(Read16(*dialog, 16), c.items);
  EXPECT_EQ(Read16(*dialog, 22), c.width);
  EXPECT_EQ(Read16(*dialog, 24), c.height);
  // No menu, class or title; then the font: 9 points, typeface "굴림", whose
  // UTF-16 shows that the UTF-8 script was read as UTF-8.
  ASSERT_GE(dialog->size(), 44u);
  EXPECT_EQ(Read16(*dialog, 26) | Read16(*dialog, 28) | Read16(*dialog, 30), 0u);
  EXPECT_EQ(Read16(*dialog, 32), 9u);
  EXPECT_EQ(Read16(*dialog, 38), 0xAD74u);
  EXPECT_EQ(Read16(*dialog, 40), 0xB9BCu);
  EXPECT_EQ(Read16(*dialog, 42), 0u);
}

constexpr uint32_t kPopupWithFont = 0x80000040;  // WS_POPUP | DS_SETFONT
INSTANTIATE_TEST_SUITE_P(Script, ProgramDialogs,
                         ::testing::Values(DialogCase{IDD_VAMOSETUP_DIALOG, kPopupWithFont | 0x10000000, 4, 367, 300},
                                           DialogCase{IDD_DIALOG_BROWSER, kPopupWithFont, 2, 367, 300},
                                           DialogCase{IDD_DIALOG_WELCOME, kPopupWithFont, 2, 367, 300},
                                           DialogCase{IDD_DIALOG_ERROR, kPopupWithFont, 4, 307, 200}));

TEST(ProgramResources, AMissingTypeIsToldFromAMissingName) {
  EXPECT_EQ(FindModuleResource(platform::kRtDialog, 999).error(), platform::kErrorResourceNameNotFound);
  EXPECT_EQ(FindModuleResource(ResourceName("NOPE"), 1).error(), platform::kErrorResourceTypeNotFound);
}

// The drawings the resources were compiled from, as the suite reads them
// (drive Z: is the root of the build machine's file system): one source of
// the expected bytes, whatever drew them.
std::vector<uint8_t> ArtworkFile(const std::string& name) {
  const auto bytes = platform::fs::ReadFileBytes(std::string(VAMO_ARTWORK_DIR) + "/" + name);
  EXPECT_TRUE(bytes.has_value()) << name << ": " << bytes.error();
  return bytes.value_or(std::vector<uint8_t>{});
}

constexpr uint16_t kRtBitmap = 2;
constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtGroupIcon = 14;
constexpr size_t kBitmapFileHeader = 14;

// Every picture the script names, under the id its file is numbered with:
// the resource is the file without its BITMAPFILEHEADER, byte for byte.
TEST(ProgramArtwork, EveryPictureIsTheDrawingItsIdNames) {
  if (std::string(VAMO_ARTWORK_DIR).empty()) GTEST_SKIP() << "built without the artwork";
  const std::vector<uint16_t> ids{VAMO_ARTWORK_BITMAPS};
  ASSERT_GT(ids.size(), 60u);
  for (const uint16_t id : ids) {
    SCOPED_TRACE(id);
    const auto drawing = ArtworkFile(std::to_string(id) + ".bmp");
    ASSERT_GT(drawing.size(), kBitmapFileHeader + 40);
    const auto picture = FindModuleResource(ResourceName(kRtBitmap), ResourceName(id));
    ASSERT_TRUE(picture.has_value()) << picture.error();
    EXPECT_TRUE(std::equal(picture->begin(), picture->end(), drawing.begin() + kBitmapFileHeader, drawing.end()));
  }
}

// The icon group lists the file's images in its order, each entry naming an
// RT_ICON that holds that image's bytes.
TEST(ProgramArtwork, IconGroupHoldsEveryImageOfTheIconFile) {
  if (std::string(VAMO_ARTWORK_DIR).empty()) GTEST_SKIP() << "built without the artwork";
  const auto file = ArtworkFile("vamo.ico");
  const std::span<const uint8_t> ico(file);
  const auto group = FindModuleResource(ResourceName(kRtGroupIcon), ResourceName(IDR_MAINFRAME));
  ASSERT_TRUE(group.has_value()) << group.error();
  const uint16_t count = Read16(ico, 4);
  ASSERT_GE(count, 1u);
  ASSERT_EQ(Read16(*group, 2), 1u) << "an icon group";
  ASSERT_EQ(Read16(*group, 4), count);
  ASSERT_GE(group->size(), 6u + 14u * count);
  for (uint16_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    const size_t fileEntry = 6 + 16 * i;
    const size_t groupEntry = 6 + 14 * i;
    // Width, height, colours, planes, bits and size are the same; the file's
    // offset becomes the image's resource id.
    EXPECT_TRUE(std::equal(group->begin() + groupEntry, group->begin() + groupEntry + 12, ico.begin() + fileEntry));
    const uint32_t size = Read32(ico, fileEntry + 8);
    const uint32_t offset = Read32(ico, fileEntry + 12);
    ASSERT_LE(size_t{offset} + size, ico.size());
    const auto image = FindModuleResource(ResourceName(kRtIcon), ResourceName(Read16(*group, groupEntry + 12)));
    ASSERT_TRUE(image.has_value()) << image.error();
    EXPECT_TRUE(std::equal(image->begin(), image->end(), ico.begin() + offset, ico.begin() + offset + size));
  }
}

}  // namespace
