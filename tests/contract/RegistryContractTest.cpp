#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ScratchSpace.h"
#include "tests/support/Utf16Bytes.h"

namespace {

using platform::RegKey;
using platform::RegRoot;
using platform::RegValue;
using Bytes = std::vector<uint8_t>;

Bytes Utf16(std::u16string_view text, bool terminate) { return Utf16LeBytes(text, terminate); }

// A key below the scratch key, made for the test.
RegKey CreateBelow(const ScratchSpace& scratch, const std::string& path) {
  RegKey key;
  EXPECT_EQ(key.Create(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\" + path), platform::kErrorSuccess);
  return key;
}

struct BytesCase {
  const char* label;
  std::string name;
  uint32_t type;
  Bytes data;
};

class RegistryValueBytes : public ::testing::TestWithParam<BytesCase> {};

// What a program reads back (and what reg.exe shows) is exactly what was
// written: no NUL added or dropped, odd sizes and unknown types kept.
TEST_P(RegistryValueBytes, ComeBackExactlyThroughAnotherHandle) {
  const BytesCase& c = GetParam();
  ScratchSpace scratch;
  RegKey key = CreateBelow(scratch, "Bytes");
  ASSERT_EQ(key.SetValue(c.name, c.type, c.data), platform::kErrorSuccess);

  RegKey reopened;
  ASSERT_EQ(reopened.Open(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\BYTES"), platform::kErrorSuccess);
  auto value = reopened.QueryValue(c.name);
  ASSERT_TRUE(value.has_value()) << value.error();
  EXPECT_EQ(value->type, c.type);
  EXPECT_EQ(value->data, c.data);
  auto listed = reopened.EnumValue(0);
  ASSERT_TRUE(listed.has_value()) << listed.error();
  EXPECT_EQ(listed->name, c.name);
  EXPECT_EQ(listed->type, c.type);
  EXPECT_EQ(listed->data, c.data);
  EXPECT_EQ(reopened.EnumValue(1).error(), platform::kErrorNoMoreItems);
}

Bytes Counting(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, RegistryValueBytes,
    ::testing::Values(BytesCase{"SzTerminated", "Name", platform::kRegSz, Utf16(u"abc", true)},
                      BytesCase{"SzWithoutNul", "Name", platform::kRegSz, Utf16(u"abc", false)},
                      BytesCase{"SzNoBytes", "Name", platform::kRegSz, {}},
                      BytesCase{"SzInnerNul", "Name", platform::kRegSz, Utf16(std::u16string(u"a\0b", 3), true)},
                      BytesCase{"SzOddSize", "Name", platform::kRegSz, {0x61, 0x00, 0x00}},
                      BytesCase{"SzKorean", "전자결제", platform::kRegSz, Utf16(u"전자결제", true)},
                      BytesCase{"ExpandSz", "Path", platform::kRegExpandSz, Utf16(u"%A%", true)},
                      BytesCase{"MultiSz", "List", platform::kRegMultiSz, Utf16(std::u16string(u"a\0b\0", 4), true)},
                      BytesCase{"BinaryEmpty", "Blob", platform::kRegBinary, {}},
                      BytesCase{"BinaryLarge", "Blob", platform::kRegBinary, Counting(100000)},
                      BytesCase{"DwordShort", "Count", platform::kRegDword, {1, 2, 3}},
                      BytesCase{"Qword", "Big", platform::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}},
                      BytesCase{"None", "Nothing", platform::kRegNone, {}},
                      BytesCase{"UnknownType", "Odd", 0x12345, {0xFF}},
                      BytesCase{"DefaultValue", "", platform::kRegSz, Utf16(u"v", true)},
                      BytesCase{"NameEscapes", "a\"b\\c=@", platform::kRegDword, {0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.label); });

// reg.exe and every other reader of the registry must see the helpers'
// values in the form Windows programs write them.
TEST(RegistryTypedValues, AreWrittenInTheWindowsForm) {
  ScratchSpace scratch;
  RegKey key = CreateBelow(scratch, "Typed");
  ASSERT_EQ(key.SetString("Text", "전자 x"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetDword("Number", 0x12345678), platform::kErrorSuccess);

  auto text = key.QueryValue("Text");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(text->type, platform::kRegSz);
  EXPECT_EQ(text->data, Utf16(u"전자 x", true));
  auto number = key.QueryValue("Number");
  ASSERT_TRUE(number.has_value());
  EXPECT_EQ(number->type, platform::kRegDword);
  EXPECT_EQ(number->data, (Bytes{0x78, 0x56, 0x34, 0x12}));

  EXPECT_EQ(key.ReadString("text").value_or(""), "전자 x");
  EXPECT_EQ(key.ReadDword("NUMBER").value_or(0), 0x12345678u);
  EXPECT_EQ(key.ReadString("Number").error(), platform::kErrorInvalidData);
  EXPECT_EQ(key.ReadDword("Text").error(), platform::kErrorInvalidData);
  EXPECT_EQ(key.ReadString("Missing").error(), platform::kErrorFileNotFound);
  ASSERT_EQ(key.SetValue("Expand", platform::kRegExpandSz, Utf16(std::u16string(u"%T%\0rest", 8), true)),
            platform::kErrorSuccess);
  EXPECT_EQ(key.ReadString("Expand").value_or(""), "%T%");
}

TEST(RegistryNames, AreCaseInsensitiveAndKeepTheirFirstCase) {
  ScratchSpace scratch;
  RegKey key = CreateBelow(scratch, "MixedCase\\Ünïcode");
  ASSERT_EQ(key.SetString("Value", "one"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetString("VALUE", "two"), platform::kErrorSuccess);

  RegKey upper;
  ASSERT_EQ(upper.Open(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\MIXEDCASE\\ÜNÏCODE"),
            platform::kErrorSuccess);
  auto value = upper.EnumValue(0);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->name, "Value");
  EXPECT_EQ(upper.ReadString("vAlUe").value_or(""), "two");
  EXPECT_EQ(upper.EnumValue(1).error(), platform::kErrorNoMoreItems);

  RegKey parent;
  ASSERT_EQ(parent.Open(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\mixedcase"), platform::kErrorSuccess);
  EXPECT_EQ(parent.EnumKey(0).value_or(""), "Ünïcode");
}

TEST(RegistryKeys, FollowWin32Semantics) {
  ScratchSpace scratch;
  const std::string base = scratch.RegistryKey();
  RegKey key;
  EXPECT_EQ(key.Open(RegRoot::kCurrentUser, base + "\\Missing"), platform::kErrorFileNotFound);
  EXPECT_FALSE(key.Valid());
  EXPECT_EQ(key.SetDword("x", 1), platform::kErrorInvalidHandle);

  ASSERT_EQ(key.Create(RegRoot::kCurrentUser, base + "\\Tree\\A\\Deep"), platform::kErrorSuccess);
  RegKey tree;
  ASSERT_EQ(tree.Open(RegRoot::kCurrentUser, base + "\\Tree"), platform::kErrorSuccess);
  ASSERT_EQ(tree.SetString("v", "x"), platform::kErrorSuccess);

  EXPECT_EQ(tree.DeleteKey(""), platform::kErrorBadKey);
  EXPECT_EQ(tree.DeleteKey("\\"), platform::kErrorBadKey);
  EXPECT_EQ(tree.DeleteKey("A"), platform::kErrorAccessDenied);
  EXPECT_EQ(tree.DeleteKey("Missing"), platform::kErrorFileNotFound);
  EXPECT_EQ(tree.DeleteTree("Missing"), platform::kErrorFileNotFound);
  EXPECT_EQ(tree.DeleteValue("missing"), platform::kErrorFileNotFound);
  EXPECT_EQ(tree.DeleteKey("a\\deep"), platform::kErrorSuccess);
  EXPECT_EQ(tree.DeleteKey("A"), platform::kErrorSuccess);
  EXPECT_EQ(tree.EnumKey(0).error(), platform::kErrorNoMoreItems);

  ASSERT_EQ(key.Create(RegRoot::kCurrentUser, base + "\\Tree\\B\\C\\D"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetDword("d", 4), platform::kErrorSuccess);
  EXPECT_EQ(tree.DeleteTree("b"), platform::kErrorSuccess);
  EXPECT_EQ(tree.EnumKey(0).error(), platform::kErrorNoMoreItems);

  // The handle outlived its key: every use says so and nothing comes back.
  EXPECT_EQ(key.QueryValue("d").error(), platform::kErrorKeyDeleted);
  EXPECT_EQ(key.SetDword("d", 5), platform::kErrorKeyDeleted);
  EXPECT_EQ(key.EnumKey(0).error(), platform::kErrorKeyDeleted);
  RegKey gone;
  EXPECT_EQ(gone.Open(RegRoot::kCurrentUser, base + "\\Tree\\B"), platform::kErrorFileNotFound);

  // Without a child, DeleteTree empties the key and keeps it.
  ASSERT_EQ(key.Create(RegRoot::kCurrentUser, base + "\\Tree\\E"), platform::kErrorSuccess);
  EXPECT_EQ(tree.DeleteTree(""), platform::kErrorSuccess);
  EXPECT_EQ(tree.EnumKey(0).error(), platform::kErrorNoMoreItems);
  EXPECT_EQ(tree.EnumValue(0).error(), platform::kErrorNoMoreItems);
  EXPECT_EQ(gone.Open(RegRoot::kCurrentUser, base + "\\Tree"), platform::kErrorSuccess);
}

TEST(RegistryKeys, NamesAreNormalisedAndHandlesMove) {
  ScratchSpace scratch;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\\\Double\\\\Sep\\"), platform::kErrorSuccess);
  EXPECT_EQ(key.Root(), RegRoot::kCurrentUser);
  EXPECT_EQ(key.Path(), scratch.RegistryKey() + "\\Double\\Sep");
  // A slash is part of a name, not a separator.
  RegKey slash = CreateBelow(scratch, "a/b");
  RegKey parent;
  ASSERT_EQ(parent.Open(RegRoot::kCurrentUser, scratch.RegistryKey()), platform::kErrorSuccess);
  std::set<std::string> children;
  for (uint32_t i = 0; auto name = parent.EnumKey(i); ++i) children.insert(*name);
  EXPECT_EQ(children, (std::set<std::string>{"Double", "a/b"}));

  RegKey moved = std::move(key);
  EXPECT_FALSE(key.Valid());
  EXPECT_EQ(key.SetDword("x", 1), platform::kErrorInvalidHandle);
  ASSERT_TRUE(moved.Valid());
  EXPECT_EQ(moved.SetDword("x", 1), platform::kErrorSuccess);
  key = std::move(moved);
  EXPECT_EQ(key.ReadDword("x").value_or(0), 1u);
  key.Close();
  EXPECT_FALSE(key.Valid());
  EXPECT_EQ(key.QueryValue("x").error(), platform::kErrorInvalidHandle);
}

TEST(RegistryKeys, AKeyNameHoldsAtMost255Characters) {
  ScratchSpace scratch;
  RegKey key;
  EXPECT_EQ(key.Create(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\" + std::string(256, 'k')),
            platform::kErrorInvalidParameter);
  EXPECT_FALSE(key.Valid());
  ASSERT_EQ(key.Create(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\" + std::string(255, 'k')),
            platform::kErrorSuccess);
  // A value name may be far longer.
  EXPECT_EQ(key.SetDword(std::string(1000, 'v'), 1), platform::kErrorSuccess);
  EXPECT_EQ(key.ReadDword(std::string(1000, 'V')).value_or(0), 1u);
}

// Callers may rely on each entry coming exactly once, not on its place.
TEST(RegistryKeys, EnumerationGivesEveryEntryOnce) {
  ScratchSpace scratch;
  RegKey key = CreateBelow(scratch, "Listing");
  std::set<std::string> names;
  for (const char* name : {"zeta", "Alpha", "mid", "전자", "_9"}) {
    CreateBelow(scratch, std::string("Listing\\") + name);
    ASSERT_EQ(key.SetDword(name, 1), platform::kErrorSuccess);
    names.insert(name);
  }
  std::vector<std::string> keys, values;
  for (uint32_t i = 0; auto name = key.EnumKey(i); ++i) keys.push_back(*name);
  for (uint32_t i = 0; auto value = key.EnumValue(i); ++i) values.push_back(value->name);
  EXPECT_EQ(key.EnumKey(static_cast<uint32_t>(keys.size())).error(), platform::kErrorNoMoreItems);
  EXPECT_EQ(key.EnumValue(static_cast<uint32_t>(values.size())).error(), platform::kErrorNoMoreItems);
  EXPECT_EQ(keys.size(), names.size());
  EXPECT_EQ(values.size(), names.size());
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), names);
  EXPECT_EQ(std::set<std::string>(values.begin(), values.end()), names);
}

// HKEY_CURRENT_USER is the user's own key under HKEY_USERS, named by the SID.
TEST(RegistryViews, CurrentUserIsTheUsersKeyUnderUsers) {
  ScratchSpace scratch;
  const std::string sid = platform::CurrentUserSid();
  ASSERT_TRUE(sid.starts_with("S-1-5-")) << sid;
  RegKey key = CreateBelow(scratch, "View");
  ASSERT_EQ(key.SetDword("Marker", 7), platform::kErrorSuccess);

  RegKey direct;
  ASSERT_EQ(direct.Open(RegRoot::kUsers, sid + "\\" + scratch.RegistryKey() + "\\View"), platform::kErrorSuccess);
  EXPECT_EQ(direct.ReadDword("Marker").value_or(0), 7u);
}

// A batch changes nothing about what each call returns and sees.
TEST(RegistryTransaction, CallsInsideBehaveAsWithout) {
  ScratchSpace scratch;
  RegKey key = CreateBelow(scratch, "Batch");
  {
    platform::RegTransaction transaction;
    for (uint32_t i = 0; i < 20; ++i) ASSERT_EQ(key.SetDword("v" + std::to_string(i), i), platform::kErrorSuccess);
    EXPECT_EQ(key.DeleteValue("missing"), platform::kErrorFileNotFound);
    {
      platform::RegTransaction inner;
      ASSERT_EQ(key.SetDword("inner", 1), platform::kErrorSuccess);
    }
    EXPECT_EQ(key.ReadDword("v19").value_or(0), 19u);
    EXPECT_EQ(key.ReadDword("inner").value_or(0), 1u);
    EXPECT_EQ(transaction.Commit(), platform::kErrorSuccess);
    EXPECT_EQ(transaction.Commit(), platform::kErrorSuccess);
  }
  RegKey reopened;
  ASSERT_EQ(reopened.Open(RegRoot::kCurrentUser, scratch.RegistryKey() + "\\Batch"), platform::kErrorSuccess);
  EXPECT_EQ(reopened.ReadDword("v19").value_or(0), 19u);
  EXPECT_EQ(reopened.ReadDword("inner").value_or(0), 1u);
}

TEST(RegistryRoots, ParseAndNameRootsAndTypes) {
  EXPECT_EQ(platform::ParseRegRoot("hklm"), RegRoot::kLocalMachine);
  EXPECT_EQ(platform::ParseRegRoot("HKEY_CURRENT_USER"), RegRoot::kCurrentUser);
  EXPECT_EQ(platform::ParseRegRoot("Hkcr"), RegRoot::kClassesRoot);
  EXPECT_EQ(platform::ParseRegRoot("HKU"), RegRoot::kUsers);
  EXPECT_EQ(platform::ParseRegRoot("hkey_current_config"), RegRoot::kCurrentConfig);
  EXPECT_EQ(platform::ParseRegRoot("HKEY_LOCAL"), std::nullopt);
  EXPECT_EQ(platform::RegRootName(RegRoot::kCurrentConfig), "HKEY_CURRENT_CONFIG");
  for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 11u}) {
    EXPECT_EQ(platform::ParseRegTypeName(platform::RegTypeName(type)), type);
  }
  EXPECT_EQ(platform::ParseRegTypeName("REG_DWORD_LITTLE_ENDIAN"), platform::kRegDword);
  EXPECT_EQ(platform::ParseRegTypeName("reg_sz"), std::nullopt);
  EXPECT_EQ(platform::RegTypeName(42), "REG_UNKNOWN");
}

}  // namespace
