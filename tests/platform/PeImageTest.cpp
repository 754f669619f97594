#include "platform/pe/PeImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"

namespace {

std::vector<uint8_t> FixtureBytes(const std::string& name) {
  const std::string text = ReadHostFile(FixtureHostPath(name));
  return std::vector<uint8_t>(text.begin(), text.end());
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}
uint32_t PeOffset(const std::vector<uint8_t>& bytes) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + 0x3C, 4);
  return value;
}

struct ImageCase {
  const char* file;
  bool is64;
  bool hasResources;
  bool isSigned;
};

class PeImageFixtures : public ::testing::TestWithParam<ImageCase> {};

TEST_P(PeImageFixtures, ReadsHeadersOfLinkedImages) {
  const ImageCase& c = GetParam();
  const std::vector<uint8_t> bytes = FixtureBytes(c.file);
  const auto image = platform::pe::ParsePeImage(bytes);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->is64, c.is64);
  EXPECT_FALSE(image->sections.empty());
  EXPECT_EQ(image->resource.size != 0, c.hasResources);
  EXPECT_EQ(image->security.size != 0, c.isSigned);
  EXPECT_NE(image->securityEntryOffset, 0u);
  if (c.isSigned) {
        EXPECT_EQ(image->security.virtualAddress + image->security.size, bytes.size());
      }
  if (c.hasResources) {
    EXPECT_TRUE(platform::pe::RvaToFileOffset(*image, image->resource.virtualAddress, image->resource.size,
                                              bytes.size())
                    .has_value());
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PeImageFixtures,
                         ::testing::Values(ImageCase{"app64.exe", true, true, false},
                                           ImageCase{"app32.exe", false, true, false},
                                           ImageCase{"neutral32.dll", false, true, false},
                                           ImageCase{"plain64.exe", true, false, false},
                                           ImageCase{"app64-signed.exe", true, true, true},
                                           ImageCase{"app32-signed.exe", false, true, true}),
                         [](const ::testing::TestParamInfo<ImageCase>& info) {
                           std::string name = info.param.file;
                           for (char& c : name) {
                             if (c == '.' || c == '-') c = '_';
                           }
                           return name;
                         });

// Damaged headers: each must be refused with kErrorBadExeFormat, never read
// past the buffer (the ASan build checks that).
struct Damage {
  const char* name;
  void (*apply)(std::vector<uint8_t>&);
};

class PeImageDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(PeImageDamage, IsRefused) {
  std::vector<uint8_t> bytes = FixtureBytes("app64.exe");
  GetParam().apply(bytes);
  const auto image = platform::pe::ParsePeImage(bytes);
  ASSERT_FALSE(image.has_value());
  EXPECT_EQ(image.error(), platform::kErrorBadExeFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PeImageDamage,
    ::testing::Values(
        Damage{"NoDosMagic", [](std::vector<uint8_t>& b) { b[0] = 'X'; }},
        Damage{"PeOffsetBeyondFile", [](std::vector<uint8_t>& b) { Put32(b, 0x3C, 0xFFFFFFF0u); }},
        Damage{"PeOffsetAtEnd", [](std::vector<uint8_t>& b) { Put32(b, 0x3C, static_cast<uint32_t>(b.size() - 2)); }},
        Damage{"NoPeSignature", [](std::vector<uint8_t>& b) { b[PeOffset(b)] = 'Q'; }},
        Damage{"TooManySections", [](std::vector<uint8_t>& b) { Put16(b, PeOffset(b) + 6, 97); }},
        Damage{"SectionTableBeyondFile", [](std::vector<uint8_t>& b) { Put16(b, PeOffset(b) + 6, 96); b.resize(1024); }},
        Damage{"OptionalHeaderBeyondFile", [](std::vector<uint8_t>& b) { Put16(b, PeOffset(b) + 20, 0xFFFF); }},
        Damage{"OptionalHeaderTooSmall", [](std::vector<uint8_t>& b) { Put16(b, PeOffset(b) + 20, 64); }},
        Damage{"UnknownMagic", [](std::vector<uint8_t>& b) { Put16(b, PeOffset(b) + 24, 0x107); }},
        Damage{"TruncatedInHeaders", [](std::vector<uint8_t>& b) { b.resize(PeOffset(b) + 30); }},
        Damage{"Empty", [](std::vector<uint8_t>& b) { b.clear(); }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(PeImage, DirectoryCountIsClampedToTheOptionalHeader) {
  std::vector<uint8_t> bytes = FixtureBytes("app64-signed.exe");
  const uint32_t optional = PeOffset(bytes) + 24;
  // Claiming 0xFFFFFFFF directories must not make the parser read entries
  // past the optional header; and with only four, there is no certificate
  // table entry at all.
  Put32(bytes, optional + 108, 0xFFFFFFFFu);
  auto image = platform::pe::ParsePeImage(bytes);
  ASSERT_TRUE(image.has_value());
  EXPECT_NE(image->security.size, 0u);
  Put32(bytes, optional + 108, 4);
  image = platform::pe::ParsePeImage(bytes);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->security.size, 0u);
  EXPECT_EQ(image->securityEntryOffset, 0u);
}

TEST(PeImage, RvaRangeMustLieInOneSectionsRawData) {
  const std::vector<uint8_t> bytes = FixtureBytes("app64.exe");
  const auto image = platform::pe::ParsePeImage(bytes);
  ASSERT_TRUE(image.has_value());
  const platform::pe::SectionHeader& first = image->sections.front();
  EXPECT_EQ(platform::pe::RvaToFileOffset(*image, first.virtualAddress, 4, bytes.size()), first.pointerToRawData);
  EXPECT_FALSE(platform::pe::RvaToFileOffset(*image, first.virtualAddress, first.sizeOfRawData + 1, bytes.size()));
  EXPECT_FALSE(platform::pe::RvaToFileOffset(*image, 0xFFFFFFF0u, 0x20, bytes.size()));
  // The same range is refused when the file is shorter than the section.
  EXPECT_FALSE(platform::pe::RvaToFileOffset(*image, first.virtualAddress, 4, first.pointerToRawData + 2));
}

}  // namespace
