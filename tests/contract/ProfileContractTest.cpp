#include "platform/profile/Profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"

#ifdef _WIN32
#include <map>

#include "platform/core/Wide_win32.h"
#include "tests/support/Wine.h"
#endif

namespace {

namespace fs = platform::fs;
namespace profile = platform::profile;
using profile::Source;

// Each test works on files in a scratch folder of its own. The rules here
// hold whatever the system's ANSI code page; those that depend on it are
// tested with the Linux personality's Korean system.
class ProfileFileTest : public ::testing::Test {
 protected:
  std::string WinPath(const std::string& name) const { return m_scratch.PathOf(name); }
  void WriteHost(const std::string& name, const std::string& bytes) const {
    ASSERT_EQ(fs::WriteFileAtomic(WinPath(name), std::string_view(bytes)), platform::kErrorSuccess) << name;
  }
  // The file's bytes; "<missing>" when it cannot be read.
  std::string ReadBack(const std::string& name) const {
    auto bytes = fs::ReadFileBytes(WinPath(name));
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
  }
  bool Exists(const std::string& name) const { return fs::FileExists(WinPath(name)); }

  ScratchSpace m_scratch;
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

#ifdef _WIN32
// The system's own reader asked the same of the same file.
std::string SystemReads(const std::string& path, const char* section, const char* key) {
  std::wstring buffer(4096, L'\0');
  const DWORD n = GetPrivateProfileStringW(platform::Widen(section).c_str(), platform::Widen(key).c_str(), L"dflt",
                                           buffer.data(), static_cast<DWORD>(buffer.size()),
                                           platform::Widen(path).c_str());
  return platform::Narrow(std::wstring_view(buffer.data(), n));
}

// Where Wine 8's reader answers otherwise than the table, and why the table
// holds. "RE" is the INI reverse-engineering suite run on Windows
// (WelliSolutions/IniFileFormatReverseEngineering); "Wine's tests" are
// dlls/kernel32/tests/profile.c.
const std::map<std::string, const char*> kWineReadsOtherwise = {
    {"TabInAskedSectionIsPartOfIt", "strips tabs from the asked section; RE WhiteSpace_Tests: such a request finds nothing"},
    {"TabInAskedKeyIsPartOfIt", "strips tabs from the asked key; RE WhiteSpace_Tests: such a request finds nothing"},
    {"VerticalTabInAskedKeyIsPartOfIt", "strips blanks other than spaces from the asked key (RE WhiteSpace_Tests)"},
    {"CommentIsNoKeyByItsOwnName", "finds \";k\"; RE Semicolon_Tests: a key written as \";key\" reads as the default"},
    {"IndentedCommentIsNoKeyEither", "finds \";k\" after blanks, which the line loses first (RE Semicolon_Tests)"},
    {"HeaderEndsAtFirstBracket", "ends the header at the last ']'; RE SquareBracket_Tests: parsing stops at the first"},
    {"UnclosedHeaderEndsThePreviousSection", "takes \"[t\" for no header; RE SquareBracket_Tests: the ']' is not needed"},
    {"UnclosedHeaderRunsToTheLineEnd", "takes \"[ t\" for no header; RE SquareBracket_Tests: the ']' is not needed"},
    {"LineWithoutEqualsIsNoKey", "takes \"k\" for a key without value; Wine's tests: such a line is no key on Windows"},
    {"EmptySectionName", "does not find \"[]\" by \"\"; Wine's tests mark that todo_wine"},
    {"BlankSectionName", "does not find \"[ \\t]\" by \"  \"; Wine's tests mark the empty name todo_wine"},
    {"EmptySectionNameIsTheBracketsNotTheTextBefore", "Wine's tests: val_e_section on Windows, todo_wine"},
    {"TextBeforeSectionsIsNoEmptySection", "reads text before any header as \"\"; RE SquareBracket_Tests: it is unreadable"},
};

TEST_P(ReadRuleTest, TheSystemsOwnReaderAgrees) {
  const ReadCase& c = GetParam();
  if (c.name == std::string("KoreanNames"))
    GTEST_SKIP() << "our extension: BOM-less UTF-8 is read as UTF-8, the system reads it in the ANSI code page";
  const auto known = kWineReadsOtherwise.find(c.name);
  if (known != kWineReadsOtherwise.end()) SKIP_UNDER_WINE(known->second);
  WriteHost("rules.ini", c.text);
  EXPECT_EQ(SystemReads(WinPath("rules.ini"), c.section, c.key), c.expected);
}
#endif

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
        ReadCase{"LongValueCut", "[s]\nk=" + kLongValue + "\n", "s", "k", std::string(4095, 'x')},
        ReadCase{"LongQuotedValueCut", "[s]\nk=\"" + kLongValue + "\"\n", "s", "k",
                 std::string(4095, 'x')},
        ReadCase{"EmptyText", "", "s", "k", "dflt"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

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
  ASSERT_EQ(fs::RemoveFile(WinPath("live.ini")), platform::kErrorSuccess);
  EXPECT_EQ(profile::GetString(source, "GENERAL", "DEBUG", "gone"), "gone");
}

TEST_F(ProfileFileTest, FileNamesMatchWithoutCase) {
  WriteHost("Mixed.INI", "[s]\nk=v\n");
  EXPECT_EQ(profile::GetString(Source::File(WinPath("MIXED.ini")), "s", "k"), "v");
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
    EXPECT_EQ(ReadBack(("w.ini")), *c.after);
  } else {
    EXPECT_FALSE(Exists("w.ini"));
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
        WriteCase{"Utf8FileStaysUtf8", "[s]\nx=한\n", "s", "k", "글", "[s]\nx=한\nk=글\n"},
        // A last line without a line end is ended with the file's own.
        WriteCase{"NoTrailingNewlineCrLf", "[s]\r\nk=1", "s", "j", "2", "[s]\r\nk=1\r\nj=2\r\n"},
        WriteCase{"NoTrailingNewlineAfterComment", "[s]\r\nk=1\r\n;c", "t", "j", "2",
                  "[s]\r\nk=1\r\n;c\r\n[t]\r\nj=2\r\n"},
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
  EXPECT_EQ(ReadBack(("build.ini")),
            "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
            "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
  set("App1", "key2", std::nullopt);
  set("App1", std::nullopt, "string1");
  set("App2", std::nullopt, std::nullopt);
  set("App3", "key5", std::nullopt);
  EXPECT_EQ(ReadBack(("build.ini")), "[App3]\r\n");
}

// Windows counts no comment as a key: new keys go after the last key line,
// and a deleted section leaves its comments behind.
TEST_F(ProfileFileTest, CommentsAreNoKeysWhenWriting) {
  WriteHost("c.ini", ";comment0\r\n[s]\r\n;comment1\r\nb=value\r\n;comment2\r\na=value\r\n");
  for (const char* key : {"z", "y", "a", "b"}) {
    ASSERT_EQ(profile::WriteString(WinPath("c.ini"), "s", key, ""), platform::kErrorSuccess);
  }
  EXPECT_EQ(ReadBack(("c.ini")),
            ";comment0\r\n[s]\r\n;comment1\r\nb=\r\n;comment2\r\na=\r\nz=\r\ny=\r\n");

  WriteHost("d.ini", ";comment0\r\n[s1]\r\n;comment1\r\n[s2]\r\n;comment2\r\n");
  ASSERT_EQ(profile::WriteString(WinPath("d.ini"), "s1", std::nullopt, ""), platform::kErrorSuccess);
  ASSERT_EQ(profile::WriteString(WinPath("d.ini"), "s2", std::nullopt, ""), platform::kErrorSuccess);
  EXPECT_EQ(ReadBack(("d.ini")), ";comment0\r\n;comment1\r\n;comment2\r\n");
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
  EXPECT_EQ(ReadBack(("u16.ini")), utf16le(u"[설치]\r\n키=값\r\n새=것\r\n"));
}

TEST_F(ProfileFileTest, WrittenValuesReadBack) {
  std::string path = WinPath("round.ini");
  const std::pair<const char*, const char*> kValues[] = {
      {"plain", "plain"}, {"  padded  ", "padded"}, {"a=b", "a=b"},
      {"; not a comment", "; not a comment"}, {"'quoted'", "quoted"}};
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
  EXPECT_EQ(ReadBack(("bad.ini")), before);
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
  EXPECT_EQ(profile::WriteString(WinPath("no such folder\\x.ini"), "s", "k", "v"), platform::kErrorPathNotFound);
  EXPECT_FALSE(fs::DirectoryExists(WinPath("no such folder")));
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
