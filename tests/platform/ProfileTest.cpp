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

// ---------------------------------------------------------------------------
// GetString: one table of the reading rules. Every case is asked of an
// in-memory source and of the same bytes in a file; both must agree.

struct ReadCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::string expected;  // with the default "dflt"
};

class ReadRuleTest : public ProfileFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadRuleTest, MemoryAndFileGiveTheWindowsAnswer) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(profile::GetString(Source::Text(c.text), c.section, c.key, "dflt"), c.expected);
  WriteHost("rules.ini", c.text);
  EXPECT_EQ(profile::GetString(Source::File(WinPath("rules.ini")), c.section, c.key, "dflt"),
            c.expected);
}

const std::string kLongValue(5000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadRuleTest,
    ::testing::Values(
        ReadCase{"CrLf", "[s]\r\nk=v\r\nj=w\r\n", "s", "j", "w"},
        ReadCase{"Lf", "[s]\nk=v\nj=w\n", "s", "j", "w"},
        ReadCase{"LoneCr", "[s]\rk=v\rj=w\r", "s", "j", "w"},
        ReadCase{"MixedLineEnds", "[a]\r\nk=1\n[s]\rk=2\r\n", "s", "k", "2"},
        ReadCase{"NoTrailingNewline", "[s]\r\nk=v", "s", "k", "v"},
        ReadCase{"NamesWithoutCase", "[SeCtIoN]\nKeY=v\n", "sEcTiOn", "kEy", "v"},
        ReadCase{"KoreanNames", "[설치]\n버전=일\n", "설치", "버전", "일"},
        ReadCase{"BlanksAroundEverything", "  [ s ] \t\n \t k \t=  v w \t\n", " s", "k ", "v w"},
        ReadCase{"VerticalTabsAroundEverything", "\v[\v s\v]\v\n\v\tk\v=\v v\v\n", "s", "k", "v"},
        ReadCase{"VerticalTabInsideValueKept", "[s]\nk=a\vb\n", "s", "k", "a\vb"},
        ReadCase{"VerticalTabBeforeCommentMark", "[s]\n\v;k=1\n", "s", "k", "dflt"},
        ReadCase{"VerticalTabBeforeHeader", "[t]\n\v[s]\nk=1\n", "s", "k", "1"},
        ReadCase{"TabInAskedSectionIsPartOfIt", "[s]\nk=v\n", "\ts", "k", "dflt"},
        ReadCase{"TabInAskedKeyIsPartOfIt", "[s]\nk=v\n", "s", "k\t", "dflt"},
        ReadCase{"VerticalTabInAskedKeyIsPartOfIt", "[s]\nk=v\n", "s", "\vk", "dflt"},
        ReadCase{"SpacesInAskedNamesDropped", "[s]\nk=v\n", "  s  ", " k ", "v"},
        ReadCase{"InnerTabMatchesInnerTab", "[a\tb]\nk\tj=v\n", "a\tb", "k\tj", "v"},
        ReadCase{"FirstDuplicateKeyWins", "[s]\nk=1\nK=2\n", "s", "k", "1"},
        ReadCase{"FirstDuplicateSectionWins", "[s]\nk=1\n[t]\nk=0\n[S]\nk=2\n", "s", "k", "1"},
        ReadCase{"SecondDuplicateSectionIsNotSearched", "[s]\nk=1\n[s]\nj=2\n", "s", "j", "dflt"},
        ReadCase{"DoubleQuotes", "[s]\nk=\" a b \"\n", "s", "k", " a b "},
        ReadCase{"SingleQuotes", "[s]\nk='a'\n", "s", "k", "a"},
        ReadCase{"EmptyQuotes", "[s]\nk=\"\"\n", "s", "k", ""},
        ReadCase{"MismatchedQuotesKept", "[s]\nk=\"a'\n", "s", "k", "\"a'"},
        ReadCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
        ReadCase{"InnerQuotesKept", "[s]\nk=a \"b\"\n", "s", "k", "a \"b\""},
        ReadCase{"CommentLineSkipped", "[s]\n;k=1\n  ; k=2\nk=3\n", "s", "k", "3"},
        ReadCase{"CommentOnlyKeyIsMissing", "[s]\n;k=1\n", "s", "k", "dflt"},
        ReadCase{"CommentIsNoKeyByItsOwnName", "[s]\n;k=1\n", "s", ";k", "dflt"},
        ReadCase{"IndentedCommentIsNoKeyEither", "[s]\n \t;k=1\n", "s", " \t;k", "dflt"},
        ReadCase{"SemicolonInsideKeyIsText", "[s]\nk ;x=1\n", "s", "k ;x", "1"},
        ReadCase{"SemicolonStartsSectionName", "[;s]\nk=1\n", ";s", "k", "1"},
        ReadCase{"SemicolonInValueIsText", "[s]\nk=v ; note\n", "s", "k", "v ; note"},
        ReadCase{"CommentedHeaderIsNoSection", ";[s]\nk=1\n[s]\nk=2\n", "s", "k", "2"},
        ReadCase{"TextBeforeFirstSectionIgnored", "k=0\n[s]\nj=1\n", "s", "k", "dflt"},
        ReadCase{"HeaderTrailingTextIgnored", "[s] ; the first\nk=1\n", "s", "k", "1"},
        ReadCase{"HeaderEndsAtFirstBracket", "[s]x]\nk=1\n", "s", "k", "1"},
        ReadCase{"UnclosedHeaderEndsThePreviousSection", "[s]\n[t\nk=1\n", "s", "k", "dflt"},
        ReadCase{"UnclosedHeaderRunsToTheLineEnd", "[s]\n[ t \t\nk=1\n", "t", "k", "1"},
        ReadCase{"LineWithoutEqualsIsNoKey", "[s]\nk\nk=2\n", "s", "k", "2"},
        ReadCase{"EqualsInValue", "[s]\nk=a=b\n", "s", "k", "a=b"},
        ReadCase{"EmptyValue", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"EmptyKey", "[s]\n=v\n", "s", "", "v"},
        ReadCase{"EmptySectionName", "[]\nk=v\n", "", "k", "v"},
        ReadCase{"BlankSectionName", "[ \t]\nk=v\n", "  ", "k", "v"},
        ReadCase{"EmptySectionNameIsTheBracketsNotTheTextBefore",
                 "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n", "",
                 "key", "val_e_section"},
        ReadCase{"TextBeforeSectionsIsNoEmptySection", "k=0\n[s]\nk=1\n", "", "k", "dflt"},
        ReadCase{"MissingSection", "[s]\nk=v\n", "t", "k", "dflt"},
        ReadCase{"MissingKey", "[s]\nk=v\n", "s", "j", "dflt"},
        ReadCase{"KeyOfNextSectionNotSeen", "[s]\n[t]\nk=v\n", "s", "k", "dflt"},
        ReadCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v"},
        // Not UTF-8, so code page 949: FF is no character there, C3 7A is one.
        ReadCase{"NotUtf8IsTheCodePage", "[s]\nk=a\xFF\xC3z\n", "s", "k", "a\uFFFD\uD680"},
        ReadCase{"LongValueCut", "[s]\nk=" + kLongValue + "\n", "s", "k", std::string(4095, 'x')},
        ReadCase{"LongQuotedValueCut", "[s]\nk=\"" + kLongValue + "\"\n", "s", "k",
                 std::string(4095, 'x')},
        ReadCase{"EmptyText", "", "s", "k", "dflt"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

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

TEST_F(ProfileFileTest, FileSourceSeesEveryChangeOfTheFile) {
  Source source = Source::File(WinPath("live.ini"));
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG"), "");
  WriteHost("live.ini", "[GENERAL]\r\nDEBUG=TRACE\r\n");
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG"), "TRACE");
  // Same size, same second: only the bytes tell the change.
  WriteHost("live.ini", "[GENERAL]\r\nDEBUG=trace\r\n");
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG"), "trace");
  WriteHost("live.ini", "[GENERAL]\r\nDEBUG=OFF\r\n");
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG"), "OFF");
  EXPECT_EQ(profile::GetString(Source::File(WinPath("LIVE.ini")), "GENERAL", "DEBUG"), "OFF");
  std::filesystem::remove(HostPath("live.ini"));
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG", "gone"), "gone");
}

TEST_F(ProfileFileTest, FileNamesMatchWithoutCase) {
  WriteHost("Mixed.INI", "[s]\nk=v\n");
  EXPECT_EQ(profile::GetString(Source::File("c:\\MIXED.ini"), "s", "k"), "v");
}

TEST_F(ProfileFileTest, BareFileNameIsInTheWindowsFolder) {
  ASSERT_EQ(profile::WriteString("vamotest.ini", "s", "k", "v"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HostPath("Windows/vamotest.ini")), "[s]\r\nk=v\r\n");
  EXPECT_EQ(profile::GetString(Source::File("vamotest.ini"), "s", "k"), "v");
}

TEST_F(ProfileFileTest, Utf16FilesAreDecoded) {
  std::u16string text = u"[설치]\r\n키=값\r\n";
  std::string le = "\xFF\xFE";
  std::string be = "\xFE\xFF";
  for (char16_t unit : text) {
    le += static_cast<char>(unit & 0xFF);
    le += static_cast<char>(unit >> 8);
    be += static_cast<char>(unit >> 8);
    be += static_cast<char>(unit & 0xFF);
  }
  WriteHost("le.ini", le);
  WriteHost("be.ini", be);
  EXPECT_EQ(profile::GetString(Source::File(WinPath("le.ini")), "설치", "키"), "값");
  EXPECT_EQ(profile::GetString(Source::File(WinPath("be.ini")), "설치", "키"), "값");
  EXPECT_EQ(profile::GetSectionNames(Source::File(WinPath("le.ini")), 100), std::u16string(u"설치\0\0", 4));
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
// WriteString: every byte that the change does not concern stays as it was.

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // nullopt: no file
  const char* section;
  std::optional<std::string> key;
  std::optional<std::string> value;
  std::optional<std::string> after;  // nullopt: still no file
};

class WriteTest : public ProfileFileTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteTest, ChangesOnlyWhatItMust) {
  const WriteCase& c = GetParam();
  if (c.before) WriteHost("w.ini", *c.before);
  std::optional<std::string_view> key, value;
  if (c.key) key = *c.key;
  if (c.value) value = *c.value;
  EXPECT_EQ(profile::WriteString(WinPath("w.ini"), c.section, key, value), platform::kErrorSuccess);
  if (c.after) {
    EXPECT_EQ(ReadHostFile(HostPath("w.ini")), *c.after);
  } else {
    EXPECT_FALSE(std::filesystem::exists(HostPath("w.ini")));
  }
}

const std::string kBusy =
    "; header comment\r\n"
    "junk before sections\r\n"
    "[App1]\r\n"
    "  Key1 = old ; not a comment\r\n"
    "key2=2\r\n"
    "; trailing comment\r\n"
    "\r\n"
    "[App2]\r\n"
    "key3=3\r\n";

INSTANTIATE_TEST_SUITE_P(
    Writes, WriteTest,
    ::testing::Values(
        WriteCase{"NewFile", std::nullopt, "App", "key", "string", "[App]\r\nkey=string\r\n"},
        WriteCase{"NewFileEmptyValue", std::nullopt, "App", "key", "", "[App]\r\nkey=\r\n"},
        WriteCase{"EmptyFile", "", "App", "key", "v", "[App]\r\nkey=v\r\n"},
        WriteCase{"ReplaceKeepsIndentSpellingAndRest", kBusy, "app1", "KEY1", "new",
                  "; header comment\r\njunk before sections\r\n[App1]\r\n  Key1=new\r\nkey2=2\r\n"
                  "; trailing comment\r\n\r\n[App2]\r\nkey3=3\r\n"},
        WriteCase{"InsertAfterLastKeyAboveTrailingComment", kBusy, "App1", "key9", "9",
                  "; header comment\r\njunk before sections\r\n[App1]\r\n  Key1 = old ; not a comment\r\n"
                  "key2=2\r\nkey9=9\r\n; trailing comment\r\n\r\n[App2]\r\nkey3=3\r\n"},
        WriteCase{"InsertIntoLastSection", kBusy, "App2", "key4", "4", kBusy + "key4=4\r\n"},
        WriteCase{"NewSectionAtEnd", kBusy, "App3", "k", "v", kBusy + "[App3]\r\nk=v\r\n"},
        WriteCase{"DeleteKey", kBusy, "App1", "key2", std::nullopt,
                  "; header comment\r\njunk before sections\r\n[App1]\r\n  Key1 = old ; not a comment\r\n"
                  "; trailing comment\r\n\r\n[App2]\r\nkey3=3\r\n"},
        WriteCase{"DeleteSectionLeavesComments", kBusy, "APP1", std::nullopt, std::nullopt,
                  "; header comment\r\njunk before sections\r\n; trailing comment\r\n\r\n[App2]\r\nkey3=3\r\n"},
        WriteCase{"DeleteSectionLeavesCommentBetweenKeys", "[s]\nk=1\n ;c\nlone\nj=2\n[t]\n", "s", std::nullopt,
                  std::nullopt, " ;c\n[t]\n"},
        WriteCase{"DeleteLastSection", kBusy, "App2", std::nullopt, "ignored",
                  "; header comment\r\njunk before sections\r\n[App1]\r\n  Key1 = old ; not a comment\r\n"
                  "key2=2\r\n; trailing comment\r\n\r\n"},
        WriteCase{"DeleteMissingKeyChangesNothing", kBusy, "App1", "nope", std::nullopt, kBusy},
        WriteCase{"DeleteMissingSectionChangesNothing", kBusy, "nope", std::nullopt, std::nullopt, kBusy},
        WriteCase{"DeleteFromMissingFileCreatesNothing", std::nullopt, "s", "k", std::nullopt,
                  std::nullopt},
        WriteCase{"SameValueChangesNothing", "[s]\nk=v", "s", "k", "v", "[s]\nk=v"},
        WriteCase{"LfFileGetsLf", "[s]\nk=1\n", "t", "j", "2", "[s]\nk=1\n[t]\nj=2\n"},
        WriteCase{"LoneCrFileGetsCr", "[s]\rk=1\r", "s", "j", "2", "[s]\rk=1\rj=2\r"},
        WriteCase{"NoTrailingNewlineInsert", "[s]\nk=1", "s", "j", "2", "[s]\nk=1\nj=2\n"},
        WriteCase{"NoTrailingNewlineNewSection", "[s]\nk=1", "t", "j", "2", "[s]\nk=1\n[t]\nj=2\n"},
        WriteCase{"NoTrailingNewlineReplace", "[s]\nk=1", "s", "k", "22", "[s]\nk=22"},
        WriteCase{"NoTrailingNewlineDeleteLast", "[s]\nj=0\nk=1", "s", "k", std::nullopt, "[s]\nj=0\n"},
        WriteCase{"ReplaceKeepsLineEnd", "[s]\r\nk=1\nj=2\r\n", "s", "k", "x", "[s]\r\nk=x\nj=2\r\n"},
        WriteCase{"FirstDuplicateKeyReplaced", "[s]\nk=1\nk=2\n", "s", "k", "x", "[s]\nk=x\nk=2\n"},
        WriteCase{"FirstDuplicateSectionUsed", "[s]\na=1\n[s]\nb=2\n", "s", "c", "3",
                  "[s]\na=1\nc=3\n[s]\nb=2\n"},
        WriteCase{"FirstDuplicateSectionDeleted", "[s]\na=1\n[t]\n[s]\nb=2\n", "s", std::nullopt,
                  std::nullopt, "[t]\n[s]\nb=2\n"},
        WriteCase{"CommentedKeyIsNotReplaced", "[s]\n;k=1\n", "s", "k", "2", "[s]\nk=2\n;k=1\n"},
        WriteCase{"InsertAfterHeaderAboveComments", "[s]\r\n;a\r\n;b\r\n[t]\r\n", "s", "k", "v",
                  "[s]\r\nk=v\r\n;a\r\n;b\r\n[t]\r\n"},
        WriteCase{"InsertAfterUnterminatedKeyAboveComment", "[s]\nk=1\n;c", "s", "j", "2", "[s]\nk=1\nj=2\n;c"},
        WriteCase{"UnclosedHeaderTakesTheKey", "[s\r\nk=1\r\n", "S", "k", "2", "[s\r\nk=2\r\n"},
        WriteCase{"EmptySectionNameWritesBrackets", std::nullopt, " ", "k", "v", "[]\r\nk=v\r\n"},
        WriteCase{"EmptySectionNameIsTheBrackets", "k=0\r\n[]\r\nk=1\r\n", "", "k", "2",
                  "k=0\r\n[]\r\nk=2\r\n"},
        WriteCase{"EmptySectionNameDeleted", "k=0\r\n[]\r\nk=1\r\n[s]\r\n", "", std::nullopt, std::nullopt,
                  "k=0\r\n[s]\r\n"},
        WriteCase{"EmptyKeyWritesEquals", "[s]\r\n", "s", "", ";v", "[s]\r\n=;v\r\n"},
        WriteCase{"EmptyKeyIsTheEqualsLine", "[s]\r\n=1\r\n", "s", " ", "2", "[s]\r\n=2\r\n"},
        WriteCase{"InsertIntoHeaderOnlySection", "[s]\r\n\r\n[t]\r\n", "s", "k", "v",
                  "[s]\r\nk=v\r\n\r\n[t]\r\n"},
        WriteCase{"Utf8BomKept", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "값",
                  "\xEF\xBB\xBF[s]\nk=값\n"},
        WriteCase{"InvalidUtf8BytesKept", "[s]\nx=\xFF\xFE\xC3\nk=1\n", "s", "k", "2",
                  "[s]\nx=\xFF\xFE\xC3\nk=2\n"},
        WriteCase{"VerticalTabbedKeyReplaced", "[s]\r\n\vk\v=1\r\n", "s", "k", "2", "[s]\r\n\vk=2\r\n"},
        WriteCase{"VerticalTabbedSectionFound", "\v[\vs]\v\r\nk=1\r\n", " s ", "j", "2",
                  "\v[\vs]\v\r\nk=1\r\nj=2\r\n"},
        WriteCase{"InnerTabKeyFound", "[s]\r\na\tb=1\r\n", "s", "a\tb", "2", "[s]\r\na\tb=2\r\n"},
        // Text without a byte-order mark is the ANSI code page (949 here).
        WriteCase{"NewFileInTheCodePage", std::nullopt, "한글", "키", "값",
                  "[\xC7\xD1\xB1\xDB]\r\n\xC5\xB0=\xB0\xAA\r\n"},
        WriteCase{"AsciiFileTakesTheCodePage", "[s]\r\n", "s", "k", "한글", "[s]\r\nk=\xC7\xD1\xB1\xDB\r\n"},
        WriteCase{"AnsiNamesFound", "[\xC7\xD1]\r\n\xB1\xDB=1\r\n", "한", "글", "값",
                  "[\xC7\xD1]\r\n\xB1\xDB=\xB0\xAA\r\n"},
        WriteCase{"AnsiOtherLinesKeepTheirBytes", "[s]\r\nx=\xC7\xD1\xFF\xC7\r\nk=1\r\ny=\xB1\xDB\r\n", "s", "k",
                  "글", "[s]\r\nx=\xC7\xD1\xFF\xC7\r\nk=\xB1\xDB\r\ny=\xB1\xDB\r\n"},
        WriteCase{"AnsiSectionDeletedAroundKeptBytes", "[a]\r\nx=\xC7\xD1\r\n;\xFF\r\n[s]\r\nk=\xB1\r\n[b]\r\n", "s",
                  std::nullopt, std::nullopt, "[a]\r\nx=\xC7\xD1\r\n;\xFF\r\n[b]\r\n"},
        WriteCase{"CharacterTheCodePageLacksIsAQuestionMark", "[s]\r\n", "s", "k", "a\xF0\x9F\x98\x80" "b",
                  "[s]\r\nk=a?b\r\n"},
        WriteCase{"Utf8FileStaysUtf8", "[s]\nx=한\n", "s", "k", "글", "[s]\nx=한\nk=글\n"},
        // A last line without a line end is ended with the file's own.
        WriteCase{"NoTrailingNewlineCrLf", "[s]\r\nk=1", "s", "j", "2", "[s]\r\nk=1\r\nj=2\r\n"},
        WriteCase{"NoTrailingNewlineAfterComment", "[s]\r\nk=1\r\n;c", "t", "j", "2",
                  "[s]\r\nk=1\r\n;c\r\n[t]\r\nj=2\r\n"},
        WriteCase{"NoTrailingNewlineAnsi", "[s]\r\nk=\xC7\xD1", "s", "j", "글",
                  "[s]\r\nk=\xC7\xD1\r\nj=\xB1\xDB\r\n"},
        WriteCase{"NulBytesBeforeSectionsKept", std::string("a\0b\r\n[s]\r\n", 10), "s", "k", "v",
                  std::string("a\0b\r\n[s]\r\nk=v\r\n", 15)}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, WritesBuildTheFileWindowsBuilds) {
  std::string path = WinPath("build.ini");
  auto set = [&](const char* section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value) {
    EXPECT_EQ(profile::WriteString(path, section, key, value), platform::kErrorSuccess);
  };
  set("App1", "key1", "string1");
  set("App1", "key2", "string2");
  set("App1", "key3", "string3");
  set("App2", "key4", "string4");
  set("App3", "key5", "string5");
  EXPECT_EQ(ReadHostFile(HostPath("build.ini")),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
            "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
  set("App1", "key2", std::nullopt);
  set("App1", std::nullopt, "string1");
  set("App2", std::nullopt, std::nullopt);
  set("App3", "key5", std::nullopt);
  EXPECT_EQ(ReadHostFile(HostPath("build.ini")), "[App3]\r\n");
}

// Windows counts no comment as a key: new keys go after the last key line,
// and a deleted section leaves its comments behind.
TEST_F(ProfileFileTest, CommentsAreNoKeysWhenWriting) {
  WriteHost("c.ini", ";comment0\r\n[s]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n");
  for (const char* key : {"z", "y", "a", "b"}) {
    ASSERT_EQ(profile::WriteString(WinPath("c.ini"), "s", key, ""), platform::kErrorSuccess);
  }
  EXPECT_EQ(ReadHostFile(HostPath("c.ini")),
            ";comment0\r\n[s]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n");

  WriteHost("d.ini", ";comment0\r\n[s1]\r\n;comment1\r\n[s2]\r\n;comment2\r\n");
  ASSERT_EQ(profile::WriteString(WinPath("d.ini"), "s1", std::nullopt, ""), platform::kErrorSuccess);
  ASSERT_EQ(profile::WriteString(WinPath("d.ini"), "s2", std::nullopt, ""), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HostPath("d.ini")), ";comment0\r\n;comment1\r\n;comment2\r\n");
}

TEST_F(ProfileFileTest, Utf16FileKeepsItsEncoding) {
  auto utf16le = [](std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
  };
  WriteHost("u16.ini", utf16le(u"[설치]\r\n키=값\r\n"));
  ASSERT_EQ(profile::WriteString(WinPath("u16.ini"), "설치", "새", "것"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HostPath("u16.ini")), utf16le(u"[설치]\r\n키=값\r\n새=것\r\n"));
}

TEST_F(ProfileFileTest, WrittenValuesReadBack) {
  std::string path = WinPath("round.ini");
  const std::pair<const char*, const char*> kValues[] = {
      {"plain", "plain"}, {"  padded  ", "padded"}, {"a=b", "a=b"},
      {"; not a comment", "; not a comment"}, {"설치 폴더", "설치 폴더"}, {"'quoted'", "quoted"}};
  for (const auto& [written, read] : kValues) {
    ASSERT_EQ(profile::WriteString(path, "Sec", "Key", written), platform::kErrorSuccess);
    EXPECT_EQ(profile::GetString(Source::File(path), "sec", "key"), read);
  }
}

struct BadWrite {
  const char* name;
  std::string section;
  std::optional<std::string> key;
  std::optional<std::string> value;
};

class BadWriteTest : public ProfileFileTest, public ::testing::WithParamInterface<BadWrite> {};

// Names and values that would turn into other lines are refused, and the
// file stays as it was.
TEST_P(BadWriteTest, IsRefusedAndTheFileIsUntouched) {
  const BadWrite& c = GetParam();
  const std::string before = "[s]\r\nk=1\r\n";
  WriteHost("bad.ini", before);
  std::optional<std::string_view> key, value;
  if (c.key) key = *c.key;
  if (c.value) value = *c.value;
  EXPECT_EQ(profile::WriteString(WinPath("bad.ini"), c.section, key, value),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(ReadHostFile(HostPath("bad.ini")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, BadWriteTest,
    ::testing::Values(BadWrite{"LineBreakInValue", "s", "k", "1\r\n[GENERAL]\r\nDEBUG=TRACE"},
                      BadWrite{"CarriageReturnInValue", "s", "k", "1\r2"},
                      BadWrite{"NulInValue", "s", "k", std::string("a\0b", 3)},
                      BadWrite{"LineBreakInKey", "s", "k\nj", "v"},
                      BadWrite{"LineBreakInSection", "s\n", "k", "v"},
                      BadWrite{"BracketInSection", "a]b", "k", "v"},
                      BadWrite{"EqualsInKey", "s", "a=b", "v"},
                      BadWrite{"KeyLooksLikeComment", "s", ";k", "v"},
                      BadWrite{"IndentedKeyLooksLikeComment", "s", " \t;k", "v"},
                      BadWrite{"DeletingACommentByName", "s", ";k", std::nullopt},
                      BadWrite{"KeyLooksLikeHeader", "s", "[t]", "v"},
                      BadWrite{"TabBeforeSection", "\ts", "k", "v"},
                      BadWrite{"VerticalTabAfterSection", "s\v", "k", "v"},
                      BadWrite{"TabInsideSpacesAroundKey", "s", "  \tk ", "v"},
                      BadWrite{"VerticalTabAfterKeyWhenDeleting", "s", "k\v", std::nullopt}),
    [](const ::testing::TestParamInfo<BadWrite>& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, MissingFolderIsPathNotFound) {
  EXPECT_EQ(profile::WriteString("C:\\no such folder\\x.ini", "s", "k", "v"), platform::kErrorPathNotFound);
  EXPECT_FALSE(std::filesystem::exists(HostPath("no such folder")));
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNothing) {
  std::string path = WinPath("threads.ini");
  constexpr int kWrites = 50;
  auto writer = [&](std::string section) {
    for (int i = 0; i < kWrites; ++i) {
      profile::WriteString(path, section, "n" + std::to_string(i), std::to_string(i));
    }
  };
  std::thread a(writer, "A");
  std::thread b(writer, "B");
  a.join();
  b.join();
  Source source = Source::File(path);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(profile::GetString(source, "A", "n" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(profile::GetString(source, "B", "n" + std::to_string(i)), std::to_string(i));
  }
}

// Profile text from the wild: random lines built from the characters the
// parser cares about, with and without byte-order marks, broken UTF-8 and
// NULs. Nothing may crash, and a value written into any such file must read
// back.
TEST_F(ProfileFileTest, AnyTextParsesAndTakesAWrite) {
  std::mt19937 random(20261208);
  const std::vector<std::string> pieces = {"[", "]", "=", ";", "\r", "\n", "\r\n", " ", "\t", "\v", "\xC7\xD1", "s",
                                           "S", "k", "K", "\"", "'", "\xFF", "\xC3", std::string(1, '\0'),
                                           "\xF0\x9F", "\xEB\x8B\xA4", "[s]\n", "k=v\n"};
  const std::vector<std::string> starts = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  for (int round = 0; round < 200; ++round) {
    std::string text = starts[random() % starts.size()];
    for (int n = random() % 60; n > 0; --n) text += pieces[random() % pieces.size()];
    Source memory = Source::Text(text);
    for (size_t chars : {size_t{0}, size_t{1}, size_t{2}, size_t{7}, size_t{4096}}) {
      std::u16string names = profile::GetSectionNames(memory, chars);
      ASSERT_LE(names.size(), chars);
      for (const std::string& name : profile::SplitNulList(names)) {
        ASSERT_LE(profile::GetSection(memory, name, chars).size(), chars);
        profile::GetString(memory, name, "k", "", chars);
      }
    }
    WriteHost("fuzz.ini", text);
    ASSERT_EQ(profile::WriteString(WinPath("fuzz.ini"), "s", "k", "written"), platform::kErrorSuccess)
        << round;
    EXPECT_EQ(profile::GetString(Source::File(WinPath("fuzz.ini")), "s", "k"), "written") << round;
  }
}

}  // namespace
