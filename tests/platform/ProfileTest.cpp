#include "platform/profile/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/Prefix.h"
#include "tests/support/TempPrefix.h"

namespace {

namespace profile = platform::profile;
using profile::Source;

std::u16string U16(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// Each test works on files in drive C: of its own prefix.
class ProfileFileTest : public ::testing::Test {
 protected:
  std::string HostPath(const std::string& name) const { return m_prefix.DriveC() + "/" + name; }
  std::string WinPath(const std::string& name) const { return "C:\\" + name; }
  void WriteHost(const std::string& name, const std::string& bytes) const {
    std::ofstream out(HostPath(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  TempPrefix m_prefix;
};

TEST(ProfileGetString, CutsToTheBufferNeverInsideACharacter) {
  Source source = Source::Text("[s]\nk=val1\nsmile=a\xF0\x9F\x98\x80z\nko=가나다\n");
  EXPECT_EQ(profile::GetString(source, "s", "k", "", 5), "val1");
  EXPECT_EQ(profile::GetString(source, "s", "k", "", 4), "val");
  EXPECT_EQ(profile::GetString(source, "s", "k", "", 1), "");
  EXPECT_EQ(profile::GetString(source, "s", "k", "", 0), "");
  // U+1F600 takes two UTF-16 units: three units of room hold only "a".
  EXPECT_EQ(profile::GetString(source, "s", "smile", "", 3), "a");
  EXPECT_EQ(profile::GetString(source, "s", "smile", "", 4), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(profile::GetString(source, "s", "ko", "", 3), "가나");
}

TEST(ProfileGetString, DefaultLosesTrailingSpacesAndIsCut) {
  Source source = Source::Text("[s]\n");
  EXPECT_EQ(profile::GetString(source, "s", "k", "one two  "), "one two");
  EXPECT_EQ(profile::GetString(source, "s", "k", "  lead"), "  lead");
  EXPECT_EQ(profile::GetString(source, "s", "k", "default", 4), "def");
}

TEST(ProfileSource, MemorySourceKeepsItsOwnCopy) {
  std::vector<uint8_t> bytes{'[', 's', ']', '\n', 'k', '=', '1'};
  Source source = Source::Bytes(bytes);
  bytes[6] = '2';
  EXPECT_EQ(profile::GetString(source, "s", "k"), "1");
  Source copy = source;
  EXPECT_EQ(profile::GetString(copy, "s", "k"), "1");
}

TEST_F(ProfileFileTest, BareFileNameIsInTheWindowsFolder) {
  ASSERT_EQ(profile::WriteString("vamotest.ini", "s", "k", "v"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HostPath("Windows/vamotest.ini")), "[s]\r\nk=v\r\n");
  EXPECT_EQ(profile::GetString(Source::File("vamotest.ini"), "s", "k"), "v");
}

// ---------------------------------------------------------------------------
// Text without a byte-order mark is in the ANSI code page of the system's
// language (from the prefix registry), as Windows reads it; well-formed UTF-8
// is read as UTF-8. The bytes below are written out, never made by our own
// encoder.

constexpr uint16_t kKorean = 0x0412;
constexpr uint16_t kEnglish = 0x0409;
constexpr uint16_t kJapanese = 0x0411;

struct CodePageCase {
  const char* name;
  uint16_t language;
  std::string bytes;
  const char* section;
  const char* key;
  std::string expected;  // with the default "dflt"
};

class CodePageReadTest : public ::testing::TestWithParam<CodePageCase> {
 protected:
  CodePageReadTest() : m_prefix(Options(GetParam().language)) {}
  static platform::PrefixOptions Options(uint16_t language) {
    platform::PrefixOptions options;
    options.systemLanguage = language;
    return options;
  }
  TempPrefix m_prefix;
};

TEST_P(CodePageReadTest, ReadsAsWindowsDoesOnThatSystem) {
  const CodePageCase& c = GetParam();
  EXPECT_EQ(profile::GetString(Source::Text(c.bytes), c.section, c.key, "dflt"), c.expected);
  std::ofstream(m_prefix.DriveC() + "/list.ini", std::ios::binary) << c.bytes;
  EXPECT_EQ(profile::GetString(Source::File("C:\\list.ini"), c.section, c.key, "dflt"), c.expected);
}

const std::string kHangulList = "[GENERAL]\r\nVERSION=1\r\n[\xC7\xD1\xB1\xDB.dll]\r\nDESCRIPTION=\xC7\xD1\xB1\xDB\r\n";

INSTANTIATE_TEST_SUITE_P(
    Systems, CodePageReadTest,
    ::testing::Values(
        CodePageCase{"KoreanValue", kKorean, kHangulList, "한글.dll", "DESCRIPTION", "한글"},
        CodePageCase{"KoreanSectionNames", kKorean, kHangulList, "한글.dll", "description", "한글"},
        CodePageCase{"SameBytesOnEnglish", kEnglish, kHangulList, "ÇÑ±Û.dll", "DESCRIPTION", "ÇÑ±Û"},
        CodePageCase{"KoreanNameNotFoundOnEnglish", kEnglish, kHangulList, "한글.dll", "DESCRIPTION", "dflt"},
        CodePageCase{"LatinOnEnglish", kEnglish, "[s]\r\nk=caf\xE9\r\n", "s", "k", "café"},
        CodePageCase{"Cp1252GapIsAControlCharacter", kEnglish, "[s]\r\nk=\x81x\r\n", "s", "k", "\xC2\x81x"},
        CodePageCase{"LeadByteDoesNotSwallowTheLineEnd", kKorean, "[s]\r\nk=a\xC7\r\nj=2\r\n", "s", "j", "2"},
        CodePageCase{"LoneLeadByteIsReplaced", kKorean, "[s]\r\nk=a\xC7\r\nj=2\r\n", "s", "k", "a\uFFFD"},
        CodePageCase{"Utf8ReadAsUtf8OnKorean", kKorean, "[s]\nk=한글\n", "s", "k", "한글"},
        CodePageCase{"Utf8ReadAsUtf8OnEnglish", kEnglish, "[s]\nk=한글\n", "s", "k", "한글"},
        // One encoding for the whole file: this one is no UTF-8, so the
        // UTF-8 bytes of "é" read as two characters of code page 1252.
        CodePageCase{"WholeFileIsOneEncoding", kEnglish, "[s]\nu=\xC3\xA9\nk=\xC7\xD1\n", "s", "u", "Ã©"},
        // Shift-JIS "ゾ" is 83 5D: its second byte is "]", and still the
        // header holds the whole character, since the text is decoded before
        // the lines are read.
        CodePageCase{"TrailByteThatLooksLikeABracket", kJapanese, "[\x83\x5D]\r\nk=\x83\x5D\r\n", "ゾ", "k",
                     "ゾ"}),
    [](const ::testing::TestParamInfo<CodePageCase>& info) { return std::string(info.param.name); });

TEST(ProfileCodePage, FileSourceFollowsAChangeOfTheSystemLanguage) {
  TempPrefix prefix;
  std::ofstream(prefix.DriveC() + "/list.ini", std::ios::binary) << kHangulList;
  Source source = Source::File("C:\\list.ini");
  EXPECT_EQ(profile::GetString(source, "한글.dll", "DESCRIPTION"), "한글");
  platform::PrefixOptions english;
  english.systemLanguage = kEnglish;
  ASSERT_EQ(platform::InitPrefix(english), platform::kErrorSuccess);
  EXPECT_EQ(profile::GetString(source, "ÇÑ±Û.dll", "DESCRIPTION"), "ÇÑ±Û");
}

TEST(ProfileCodePage, EnglishSystemWritesCodePage1252AndKeepsOtherBytes) {
  platform::PrefixOptions english;
  english.systemLanguage = kEnglish;
  TempPrefix prefix(english);
  std::string host = prefix.DriveC() + "/w.ini";
  std::ofstream(host, std::ios::binary) << kHangulList;
  // "한" is not in code page 1252; U+0081 is its unassigned byte 81.
  ASSERT_EQ(profile::WriteString("C:\\w.ini", "ÇÑ±Û.dll", "VERSION", "café 한\u0081"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(host), kHangulList + "VERSION=caf\xE9 ?\x81\r\n");
}

// ---------------------------------------------------------------------------
// The list functions: exact buffer contents, including Windows' way of
// cutting a list that does not fit.

struct ListCase {
  const char* name;
  std::string text;
  const char* section;  // nullptr: GetSectionNames
  size_t bufferChars;
  std::u16string expected;
};

class ListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListTest, GivesTheExactBuffer) {
  const ListCase& c = GetParam();
  Source source = Source::Text(c.text);
  std::u16string got = c.section == nullptr ? profile::GetSectionNames(source, c.bufferChars)
                                            : profile::GetSection(source, c.section, c.bufferChars);
  EXPECT_EQ(got, c.expected);
}

const std::string kThree = "[section1]\r\n[section2]\r\n[section3]\r\n";
const std::string kSections =
    "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n[section2]\r\n[section3]\r\n=val5\r\n";

INSTANTIATE_TEST_SUITE_P(
    Lists, ListTest,
    ::testing::Values(
        ListCase{"NamesFit", kThree, nullptr, 29, U16(std::string("section1\0section2\0section3\0\0", 28))},
        ListCase{"NamesExactFit", kThree, nullptr, 28,
                 U16(std::string("section1\0section2\0section3\0\0", 28))},
        ListCase{"NamesTooSmall", kThree, nullptr, 27, U16(std::string("section1\0section2\0section\0\0", 27))},
        ListCase{"NamesCutAtABoundary", kThree, nullptr, 11, U16(std::string("section1\0\0\0", 11))},
        ListCase{"NamesTwoChars", kThree, nullptr, 2, std::u16string(2, u'\0')},
        ListCase{"NamesOneChar", kThree, nullptr, 1, std::u16string(1, u'\0')},
        ListCase{"NamesNoBuffer", kThree, nullptr, 0, u""},
        ListCase{"NoSections", "k=v\n", nullptr, 10, std::u16string(1, u'\0')},
        ListCase{"NamesInFileOrderWithDuplicates", "[b]\n[a]\n[B]\n", nullptr, 100,
                 U16(std::string("b\0a\0B\0\0", 7))},
        ListCase{"EmptyNameNotListed", "[]\n[a]\n", nullptr, 100, U16(std::string("a\0\0", 3))},
        ListCase{"UnclosedHeadersListed", "[a \n[b]\n[c", nullptr, 100, U16(std::string("a\0b\0c\0\0", 7))},
        ListCase{"EmptyNameSection", "k=0\n[]\n;c=1\nk=v\n", "", 100, U16(std::string("k=v\0\0", 5))},
        ListCase{"SectionSkipsCommentsWithEquals", "[s]\n;k=1\n\t; j=2\nj=3\n", "s", 100,
                 U16(std::string("j=3\0\0", 5))},
        ListCase{"NamesTrimmedAndKorean", "[ 설치 ]\n", nullptr, 100, std::u16string(u"설치\0\0", 4)},
        ListCase{"NamesLoseVerticalTabs", "\v[\vs\t]\n", nullptr, 100, U16(std::string("s\0\0", 3))},
        ListCase{"SectionLinesLoseVerticalTabs", "[s]\n\vk\v=\vv\v\n\vplain\v\n", "s", 100,
                 U16(std::string("k=v\0plain\0\0", 11))},
        ListCase{"SurrogatePairNotSplit", "[a\xF0\x9F\x98\x80]\n[b]\n", nullptr, 4,
                 std::u16string(u"a\0\0", 3)},
        ListCase{"Section", kSections, "section1", 100,
                 U16(std::string("name1=val1\0name2=\0name3\0name4=val4\0\0", 36))},
        ListCase{"SectionCut", kSections, "section1", 24,
                 U16(std::string("name1=val1\0name2=\0name\0\0", 24))},
        ListCase{"SectionWithoutLines", kSections, "section2", 100, std::u16string(1, u'\0')},
        ListCase{"SectionWithEmptyKey", kSections, "SECTION3", 100, U16(std::string("=val5\0\0", 7))},
        ListCase{"MissingSection", kSections, "nope", 100, std::u16string(1, u'\0')},
        ListCase{"SectionTrimsKeepsQuotesSkipsComments",
                 "[s]\n ; note\n  a  =  \"q\"  \n\n\tplain line \n[t]\nx=1\n", "s", 100,
                 U16(std::string("a=\"q\"\0plain line\0\0", 18))},
        ListCase{"SectionFirstOfDuplicates", "[s]\na=1\n[s]\nb=2\n", "S", 100,
                 U16(std::string("a=1\0\0", 5))}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(ProfileSplitNulList, StopsAtTheEmptyStringOrTheEnd) {
  using List = std::vector<std::string>;
  EXPECT_EQ(profile::SplitNulList(std::u16string(u"a\0bc\0\0", 6)), (List{"a", "bc"}));
  EXPECT_EQ(profile::SplitNulList(std::u16string(u"a\0\0b\0\0", 6)), (List{"a"}));
  EXPECT_EQ(profile::SplitNulList(u"abc"), (List{"abc"}));
  EXPECT_EQ(profile::SplitNulList(std::u16string(1, u'\0')), (List{}));
  EXPECT_EQ(profile::SplitNulList(u""), (List{}));
  EXPECT_EQ(profile::SplitNulList(std::u16string(u"설치\0\0", 4)), (List{"설치"}));
}

TEST(ProfileSectionNames, WalkOfACutListStillEnds) {
  Source source = Source::Text(kThree);
  EXPECT_EQ(profile::SplitNulList(profile::GetSectionNames(source, 27)),
            (std::vector<std::string>{"section1", "section2", "section"}));
}

// ---------------------------------------------------------------------------
// Text without a byte-order mark is the ANSI code page, 949 on the Korean
// system the prefix describes (the contract suite holds the rules that do not
// depend on the code page).

TEST_F(ProfileFileTest, NotUtf8IsTheCodePage) {
  // Not UTF-8, so code page 949: FF is no character there, C3 7A is one.
  const std::string text = "[s]\nk=a\xFF\xC3z\n";
  EXPECT_EQ(profile::GetString(Source::Text(text), "s", "k", "dflt"), "a\uFFFD\uD680");
  WriteHost("rules.ini", text);
  EXPECT_EQ(profile::GetString(Source::File(WinPath("rules.ini")), "s", "k", "dflt"), "a\uFFFD\uD680");
}

TEST_F(ProfileFileTest, KoreanValuesReadBackFromTheCodePage) {
  std::string path = WinPath("round.ini");
  ASSERT_EQ(profile::WriteString(path, "Sec", "Key", "설치 폴더"), platform::kErrorSuccess);
  EXPECT_EQ(profile::GetString(Source::File(path), "sec", "key"), "설치 폴더");
}

struct AnsiWriteCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  const char* section;
  std::optional<std::string> key;
  std::optional<std::string> value;
  std::string after;
};

class AnsiWriteTest : public ProfileFileTest, public ::testing::WithParamInterface<AnsiWriteCase> {};

TEST_P(AnsiWriteTest, WritesTheCodePage) {
  const AnsiWriteCase& c = GetParam();
  if (c.before) WriteHost("w.ini", *c.before);
  std::optional<std::string_view> key, value;
  if (c.key) key = *c.key;
  if (c.value) value = *c.value;
  EXPECT_EQ(profile::WriteString(WinPath("w.ini"), c.section, key, value), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HostPath("w.ini")), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, AnsiWriteTest,
    ::testing::Values(
        // Text without a byte-order mark is the ANSI code page (949 here).
        AnsiWriteCase{"NewFileInTheCodePage", std::nullopt, "한글", "키", "값",
                  "[\xC7\xD1\xB1\xDB]\r\n\xC5\xB0=\xB0\xAA\r\n"},
        AnsiWriteCase{"AsciiFileTakesTheCodePage", "[s]\r\n", "s", "k", "한글", "[s]\r\nk=\xC7\xD1\xB1\xDB\r\n"},
        AnsiWriteCase{"AnsiNamesFound", "[\xC7\xD1]\r\n\xB1\xDB=1\r\n", "한", "글", "값",
                  "[\xC7\xD1]\r\n\xB1\xDB=\xB0\xAA\r\n"},
        AnsiWriteCase{"AnsiOtherLinesKeepTheirBytes", "[s]\r\nx=\xC7\xD1\xFF\xC7\r\nk=1\r\ny=\xB1\xDB\r\n", "s", "k",
                  "글", "[s]\r\nx=\xC7\xD1\xFF\xC7\r\nk=\xB1\xDB\r\ny=\xB1\xDB\r\n"},
        AnsiWriteCase{"AnsiSectionDeletedAroundKeptBytes", "[a]\r\nx=\xC7\xD1\r\n;\xFF\r\n[s]\r\nk=\xB1\r\n[b]\r\n", "s",
                  std::nullopt, std::nullopt, "[a]\r\nx=\xC7\xD1\r\n;\xFF\r\n[b]\r\n"},
        AnsiWriteCase{"CharacterTheCodePageLacksIsAQuestionMark", "[s]\r\n", "s", "k", "a\xF0\x9F\x98\x80" "b",
                  "[s]\r\nk=a?b\r\n"},
        AnsiWriteCase{"NoTrailingNewlineAnsi", "[s]\r\nk=\xC7\xD1", "s", "j", "글",
                  "[s]\r\nk=\xC7\xD1\r\nj=\xB1\xDB\r\n"}),
    [](const ::testing::TestParamInfo<AnsiWriteCase>& info) { return std::string(info.param.name); });

}  // namespace
