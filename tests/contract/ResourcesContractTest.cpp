#include "platform/resources/ModuleResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
