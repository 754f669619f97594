#include "platform/text/Utf.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using platform::ByteOrder;
using platform::Utf16End;
using platform::Utf16Nul;
using Bytes = std::vector<uint8_t>;

struct DecodeCase {
  const char* name;
  Bytes bytes;
  Utf16End end;
  ByteOrder order;
  std::u16string units;
  std::string utf8;
};

class Utf16Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf16Decoding, GivesUnitsAndUtf8) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(platform::Utf16FromBytes(c.bytes, c.end, c.order), c.units);
  EXPECT_EQ(platform::Utf16BytesToUtf8(c.bytes, c.end, c.order), c.utf8);
}

constexpr auto kLe = ByteOrder::kLittleEndian;
constexpr auto kBe = ByteOrder::kBigEndian;
constexpr auto kWhole = Utf16End::kAtEnd;
constexpr auto kNul = Utf16End::kAtFirstNul;
using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Rules, Utf16Decoding,
    ::testing::Values(
        DecodeCase{"Empty", {}, kWhole, kLe, u"", ""},
        DecodeCase{"Hangul", {0x48, 0x00, 0x5C, 0xD5}, kWhole, kLe, u"H\uD55C", "H\xED\x95\x9C"},
        DecodeCase{"TrailingOddByteDropped", {0x41, 0x00, 0x42}, kWhole, kLe, u"A", "A"},
        DecodeCase{"LoneByteGivesNothing", {0x41}, kNul, kLe, u"", ""},
        DecodeCase{"NulsKeptWhenReadingToTheEnd",
                   {0x41, 0x00, 0x00, 0x00, 0x42, 0x00},
                   kWhole,
                   kLe,
                   u"A\0B"s,
                   "A\0B"s},
        DecodeCase{"StopsBeforeFirstNul", {0x41, 0x00, 0x00, 0x00, 0x42, 0x00}, kNul, kLe, u"A", "A"},
        DecodeCase{"MissingTerminatorRunsToTheEnd", {0x41, 0x00, 0x42, 0x00}, kNul, kLe, u"AB", "AB"},
        DecodeCase{"SurrogatePair", {0x3D, 0xD8, 0x00, 0xDE}, kWhole, kLe, u"\U0001F600", "\xF0\x9F\x98\x80"},
        DecodeCase{"LoneHighSurrogate", {0x3D, 0xD8, 0x41, 0x00}, kWhole, kLe, u"\xD83D" u"A", "\xEF\xBF\xBD" "A"},
        DecodeCase{"LoneLowSurrogateAtEnd", {0x41, 0x00, 0x00, 0xDE}, kWhole, kLe, u"A\xDE00", "A\xEF\xBF\xBD"},
        DecodeCase{"BigEndian", {0x00, 0x41, 0xD5, 0x5C, 0x00}, kWhole, kBe, u"A\uD55C", "A\xED\x95\x9C"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

struct EncodeCase {
  const char* name;
  std::string utf8;
  Utf16Nul nul;
  ByteOrder order;
  Bytes bytes;
};

class Utf16Encoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Utf16Encoding, AppendsBytesAfterWhatIsThere) {
  const EncodeCase& c = GetParam();
  Bytes out = {0xAA};
  platform::AppendUtf16Bytes(out, c.utf8, c.nul, c.order);
  Bytes expected = {0xAA};
  expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
  EXPECT_EQ(out, expected);
  if (c.order == kLe) {
    EXPECT_EQ(platform::Utf16Bytes(c.utf8, c.nul), c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Utf16Encoding,
    ::testing::Values(EncodeCase{"Empty", "", Utf16Nul::kOmit, kLe, {}},
                      EncodeCase{"EmptyTerminated", "", Utf16Nul::kAppend, kLe, {0x00, 0x00}},
                      EncodeCase{"Terminated", "A", Utf16Nul::kAppend, kLe, {0x41, 0x00, 0x00, 0x00}},
                      EncodeCase{"Pair", "\xF0\x9F\x98\x80", Utf16Nul::kOmit, kLe, {0x3D, 0xD8, 0x00, 0xDE}},
                      EncodeCase{"InvalidUtf8IsReplaced", "\xFF", Utf16Nul::kOmit, kLe, {0xFD, 0xFF}},
                      EncodeCase{"BigEndian", "A", Utf16Nul::kAppend, kBe, {0x00, 0x41, 0x00, 0x00}}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

TEST(Utf16Bytes, ReadBackGivesTheSameText) {
  for (const std::string text : {"", "plain", "C:\\Program Files\\\xED\x95\x9C\xEA\xB8\x80", "\xF0\x9F\x98\x80!"}) {
    EXPECT_EQ(platform::Utf16BytesToUtf8(platform::Utf16Bytes(text, Utf16Nul::kAppend), kNul), text);
  }
}

struct TerminatedCase {
  const char* name;
  Bytes bytes;
  size_t maxUnits;
  std::optional<std::u16string> units;  // nothing: refused
  size_t byteCount;
};

class Utf16Terminated : public ::testing::TestWithParam<TerminatedCase> {};

TEST_P(Utf16Terminated, ReadsUpToTheNulOrRefuses) {
  const TerminatedCase& c = GetParam();
  std::optional<platform::TerminatedUtf16> text = platform::ReadTerminatedUtf16(c.bytes, c.maxUnits);
  ASSERT_EQ(text.has_value(), c.units.has_value());
  if (!text) return;
  EXPECT_EQ(text->units, *c.units);
  EXPECT_EQ(text->byteCount, c.byteCount);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Utf16Terminated,
    ::testing::Values(
        TerminatedCase{"StopsAtNul", {0x41, 0x00, 0x00, 0x00, 0x42, 0x00}, SIZE_MAX, u"A", 4},
        TerminatedCase{"EmptyString", {0x00, 0x00, 0x42, 0x00}, SIZE_MAX, u"", 2},
        TerminatedCase{"NoNulIsRefused", {0x41, 0x00, 0x42, 0x00}, SIZE_MAX, std::nullopt, 0},
        TerminatedCase{"NulCutInHalfIsRefused", {0x41, 0x00, 0x00}, SIZE_MAX, std::nullopt, 0},
        TerminatedCase{"NothingIsRefused", {}, SIZE_MAX, std::nullopt, 0},
        TerminatedCase{"ExactlyTheLimit", {0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, 2, u"AB", 6},
        TerminatedCase{"OneOverTheLimitIsRefused", {0x41, 0x00, 0x42, 0x00, 0x43, 0x00, 0x00, 0x00}, 2, std::nullopt,
                       0}),
    [](const ::testing::TestParamInfo<TerminatedCase>& info) { return std::string(info.param.name); });

}  // namespace
