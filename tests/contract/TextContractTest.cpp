// The ANSI code pages as Windows converts them, and local time as the C
// runtime shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/text/CodePage.h"
#include "platform/text/Format.h"

namespace {

using platform::AnsiToUtf8;
using platform::Utf8ToAnsi;

// Code-page bytes and the UTF-8 text that goes with them.
struct ConversionCase {
  const char* name;
  uint32_t codePage;
  std::string bytes;
  std::string utf8;
};

class CodePageRoundTrip : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(CodePageRoundTrip, ConvertsBothWays) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(AnsiToUtf8(c.bytes, c.codePage), c.utf8);
  EXPECT_EQ(Utf8ToAnsi(c.utf8, c.codePage), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, CodePageRoundTrip,
    ::testing::Values(ConversionCase{"Ascii", 949, "C:\\Program Files\r\n", "C:\\Program Files\r\n"},
                      ConversionCase{"Korean", 949, "\xC7\xD1\xB1\xDB.dll", "한글.dll"},
                      // Unified Hangul Code: syllables outside KS X 1001.
                      ConversionCase{"KoreanExtended", 949, "\x81\x41", "갂"},
                      ConversionCase{"Japanese", 932, "\x82\xA0\x83\x5D", "あゾ"},
                      // The trail byte of "ゾ" is "\": it stays inside the character.
                      ConversionCase{"JapaneseTrailBackslash", 932, "\x83\x5C", "ソ"},
                      ConversionCase{"HalfWidthKatakana", 932, "\xB1", "ｱ"},
                      ConversionCase{"Latin", 1252, "caf\xE9 \x80", "café €"},
                      // The five unassigned bytes of 1252 are the C1 controls.
                      ConversionCase{"Cp1252Gaps", 1252, "\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},
                      ConversionCase{"Cp949Byte80", 949, "a\x80", "a\u0080"},
                      ConversionCase{"Cp932Byte80", 932, "\x80\x82\xA0", "\u0080あ"}),
    [](const auto& info) { return std::string(info.param.name); });

class UndefinedBytes : public ::testing::TestWithParam<ConversionCase> {};

// A byte the code page does not define becomes U+FFFD by itself; the next
// byte starts afresh, so a line end after a stray lead byte survives.
TEST_P(UndefinedBytes, BecomeOneReplacementEach) {
  EXPECT_EQ(AnsiToUtf8(GetParam().bytes, GetParam().codePage), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, UndefinedBytes,
    ::testing::Values(ConversionCase{"LeadByteBeforeLineEnd", 949, "a\xC7\r\nb", "a\uFFFD\r\nb"},
                      ConversionCase{"LeadByteAtTheEnd", 949, "a\xC7", "a\uFFFD"},
                      ConversionCase{"LeadByteBeforeAscii", 932, "\x82" "A\x82\xA0", "\uFFFD" "A" "あ"},
                      // Windows gives these private-use characters only as best fit.
                      ConversionCase{"Cp932UnassignedSingleBytes", 932, "\xA0\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD"},
                      ConversionCase{"Cp949ByteFF", 949, "\xFF\r\n", "\uFFFD\r\n"},
                      ConversionCase{"UnknownCodePageKeepsAscii", 12345, "a\xC7\xD1z", "a\uFFFD\uFFFDz"}),
    [](const auto& info) { return std::string(info.param.name); });

class MissingCharacters : public ::testing::TestWithParam<ConversionCase> {};

// What the code page lacks is "?", never a look-alike (no best fit).
TEST_P(MissingCharacters, BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToAnsi(GetParam().utf8, GetParam().codePage), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, MissingCharacters,
    ::testing::Values(ConversionCase{"HangulIn1252", 1252, "caf\xE9 ?", "caf\xC3\xA9 한"},
                      ConversionCase{"NoBestFit", 1252, "?", "\xC4\x80"},
                      ConversionCase{"FullWidthBackslashIsNoSeparator", 932, "a\x81\x5F", "a\xEF\xBC\xBC"},
                      ConversionCase{"FullWidthBackslashIn949", 949, "\xA1\xAC", "\xEF\xBC\xBC"},
                      ConversionCase{"InvalidUtf8", 949, "a?z", "a\xFFz"},
                      ConversionCase{"UnknownCodePageKeepsAscii", 12345, "a?z", "a한z"}),
    [](const auto& info) { return std::string(info.param.name); });

// Local time differs from UTC by the zone's offset: whole quarter hours,
// less than a day.
TEST(LocalTime, ShowsTheTimeInTheLocalZone) {
  const int64_t kTime = 1700000000;  // 2023-11-14 22:13:20 UTC
  std::string text = platform::FormatLocalTime("%Y-%m-%d %H:%M:%S", kTime);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ASSERT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second), 6) << text;
  EXPECT_EQ(year, 2023);
  EXPECT_EQ(month, 11);
  EXPECT_EQ(second, 20);
  int64_t localMinutes = (day * 24 + hour) * 60 + minute;
  int64_t utcMinutes = (14 * 24 + 22) * 60 + 13;
  EXPECT_LT(std::llabs(localMinutes - utcMinutes), 24 * 60) << text;
  EXPECT_EQ((localMinutes - utcMinutes) % 15, 0) << text;
  EXPECT_EQ(platform::FormatLocalTime("", kTime), "");
}

}  // namespace
