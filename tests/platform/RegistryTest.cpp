#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <thread>

#include "platform/sim/Hive.h"
#include "platform/text/Utf.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/Utf16Bytes.h"

namespace {

using platform::RegKey;
using platform::RegRoot;
using platform::RegValue;
using Bytes = std::vector<uint8_t>;

Bytes Utf16(std::u16string_view text, bool terminate) { return Utf16LeBytes(text, terminate); }

std::string HivePath(const TempPrefix& prefix, const char* file) { return prefix.Root() + "/registry/" + file; }

std::expected<platform::reg::Hive, platform::Win32Error> ParseHiveFile(const TempPrefix& prefix,
                                                                       const char* file = "machine.reg") {
  return platform::reg::Hive::Parse(std::string_view(file) == "machine.reg" ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS",
                                    ReadHostFile(HivePath(prefix, file)));
}

// Writes a host file in place, as an editor (or a broken tool) would.
void Overwrite(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

struct RoundTripCase {
  const char* label;
  std::string name;
  uint32_t type;
  Bytes data;
  std::string line;  // how the value must appear in the hive file
};

class RegistryRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RegistryRoundTrip, StoresExactBytesInTheExpectedForm) {
  const RoundTripCase& c = GetParam();
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\RoundTrip"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetValue(c.name, c.type, c.data), platform::kErrorSuccess);

  std::string text = ReadHostFile(HivePath(prefix, "machine.reg"));
  EXPECT_NE(text.find("\\RoundTrip]\n" + c.line + "\n"), std::string::npos) << text;

  // The file alone must give the bytes back, not just this process's cache.
  auto parsed = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", text);
  ASSERT_TRUE(parsed.has_value());
  const platform::reg::HiveKey* stored = parsed->Find({"software", "roundtrip"});
  ASSERT_NE(stored, nullptr);
  ASSERT_EQ(stored->values.size(), 1u);
  EXPECT_EQ(stored->values[0].value.name, c.name);
  EXPECT_EQ(stored->values[0].value.type, c.type);
  EXPECT_EQ(stored->values[0].value.data, c.data);
  EXPECT_EQ(parsed->Serialize(), text);

  RegKey reopened;
  ASSERT_EQ(reopened.Open(RegRoot::kLocalMachine, "SOFTWARE\\roundtrip"), platform::kErrorSuccess);
  auto value = reopened.QueryValue(c.name);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, c.type);
  EXPECT_EQ(value->data, c.data);
}

Bytes LongBinary() {
  Bytes bytes(100);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, RegistryRoundTrip,
    ::testing::Values(
        RoundTripCase{"SzTerminated", "Name", platform::kRegSz, Utf16(u"abc", true), "\"Name\"=\"abc\""},
        RoundTripCase{"SzWithoutNul", "Name", platform::kRegSz, Utf16(u"abc", false),
                      "\"Name\"=hex(1):61,00,62,00,63,00"},
        RoundTripCase{"SzEmpty", "Name", platform::kRegSz, Utf16(u"", true), "\"Name\"=\"\""},
        RoundTripCase{"SzNoBytes", "Name", platform::kRegSz, {}, "\"Name\"=hex(1):"},
        RoundTripCase{"SzEscapes", "Name", platform::kRegSz, Utf16(u"say \"hi\" C:\\x", true),
                      "\"Name\"=\"say \\\"hi\\\" C:\\\\x\""},
        RoundTripCase{"SzKorean", "Name", platform::kRegSz, Utf16(u"전자결제", true), "\"Name\"=\"전자결제\""},
        RoundTripCase{"SzLineBreak", "Name", platform::kRegSz, Utf16(u"a\r\n", true),
                      "\"Name\"=hex(1):61,00,0d,00,0a,00,00,00"},
        RoundTripCase{"SzInnerNul", "Name", platform::kRegSz, Utf16(std::u16string(u"a\0b", 3), true),
                      "\"Name\"=hex(1):61,00,00,00,62,00,00,00"},
        RoundTripCase{"SzTwoNuls", "Name", platform::kRegSz, Utf16(std::u16string(u"a\0", 2), true),
                      "\"Name\"=hex(1):61,00,00,00,00,00"},
        RoundTripCase{"SzLoneSurrogate", "Name", platform::kRegSz, Utf16(u"\xD800x", true),
                      "\"Name\"=hex(1):00,d8,78,00,00,00"},
        RoundTripCase{"SzOddSize", "Name", platform::kRegSz, {0x61, 0x00, 0x00}, "\"Name\"=hex(1):61,00,00"},
        RoundTripCase{"ExpandSz", "Path", platform::kRegExpandSz, Utf16(u"%A%", true),
                      "\"Path\"=hex(2):25,00,41,00,25,00,00,00"},
        RoundTripCase{"MultiSz", "List", platform::kRegMultiSz, Utf16(std::u16string(u"a\0b\0", 4), true),
                      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
        RoundTripCase{"Binary", "Blob", platform::kRegBinary, {0xDE, 0xAD, 0xBE, 0xEF}, "\"Blob\"=hex:de,ad,be,ef"},
        RoundTripCase{"BinaryEmpty", "Blob", platform::kRegBinary, {}, "\"Blob\"=hex:"},
        RoundTripCase{"BinaryLong", "Blob", platform::kRegBinary, LongBinary(),
                      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\n"
                      "  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,\\\n"
                      "  2d,2e,2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,\\\n"
                      "  45,46,47,48,49,4a,4b,4c,4d,4e,4f,50,51,52,53,54,55,56,57,58,59,5a,5b,5c,\\\n"
                      "  5d,5e,5f,60,61,62,63"},
        RoundTripCase{"Dword", "Count", platform::kRegDword, {0x78, 0x56, 0x34, 0x12}, "\"Count\"=dword:12345678"},
        RoundTripCase{"DwordShort", "Count", platform::kRegDword, {1, 2, 3}, "\"Count\"=hex(4):01,02,03"},
        RoundTripCase{"DwordBigEndian", "Count", platform::kRegDwordBigEndian, {1, 0, 0, 0},
                      "\"Count\"=hex(5):01,00,00,00"},
        RoundTripCase{"Qword", "Big", platform::kRegQword, {1, 2, 3, 4, 5, 6, 7, 8},
                      "\"Big\"=hex(b):01,02,03,04,05,06,07,08"},
        RoundTripCase{"None", "Nothing", platform::kRegNone, {}, "\"Nothing\"=hex(0):"},
        RoundTripCase{"UnknownType", "Odd", 0x12345, {0xFF}, "\"Odd\"=hex(12345):ff"},
        RoundTripCase{"DefaultValue", "", platform::kRegSz, Utf16(u"v", true), "@=\"v\""},
        RoundTripCase{"NameEscapes", "a\"b\\c", platform::kRegDword, {0, 0, 0, 0}, "\"a\\\"b\\\\c\"=dword:00000000"},
        RoundTripCase{"NameAt", "@", platform::kRegDword, {1, 0, 0, 0}, "\"@\"=dword:00000001"}),
    [](const auto& info) { return std::string(info.param.label); });

// The hive text keeps a name in the case it was created with; the contract
// suite checks how names compare.
TEST(RegistryNames, TheHiveKeepsTheFirstCase) {
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\MixedCase\\Ünïcode"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetString("Value", "one"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetString("VALUE", "two"), platform::kErrorSuccess);
  EXPECT_NE(ReadHostFile(HivePath(prefix, "machine.reg")).find("\\MixedCase\\Ünïcode]\n\"Value\"=\"two\"\n"),
            std::string::npos);
}

struct ViewCase {
  const char* label;
  RegRoot root;
  const char* file;
  std::string hivePath;  // where the view's key lands, below the hive root
};

class RegistryViews : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RegistryViews, WritesLandInTheBackingHive) {
  const ViewCase& c = GetParam();
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(c.root, "ViewTest\\Child"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetDword("Marker", 7), platform::kErrorSuccess);

  std::string text = ReadHostFile(HivePath(prefix, c.file));
  std::string hiveRoot = std::string(c.file) == std::string("machine.reg") ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
  // The prefix made some of the levels already, in its own case.
  std::string expected = "[" + hiveRoot + "\\" + c.hivePath + "\\ViewTest\\Child]\n\"Marker\"=dword:00000007\n";
  EXPECT_NE(platform::ToLowerAscii(text).find(platform::ToLowerAscii(expected)), std::string::npos) << text;

  RegKey direct;
  RegRoot backing = hiveRoot == "HKEY_USERS" ? RegRoot::kUsers : RegRoot::kLocalMachine;
  ASSERT_EQ(direct.Open(backing, c.hivePath + "\\ViewTest\\Child"), platform::kErrorSuccess);
  EXPECT_EQ(direct.ReadDword("Marker").value_or(0), 7u);
}

INSTANTIATE_TEST_SUITE_P(
    AllViews, RegistryViews,
    ::testing::Values(ViewCase{"ClassesRoot", RegRoot::kClassesRoot, "machine.reg", "Software\\Classes"},
                      ViewCase{"CurrentConfig", RegRoot::kCurrentConfig, "machine.reg",
                               "System\\CurrentControlSet\\Hardware Profiles\\Current"},
                      ViewCase{"CurrentUser", RegRoot::kCurrentUser, "users.reg",
                               "S-1-5-21-1000-1000-1000-" + std::to_string(getuid())}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegistryViews, RootsExistBeforeAnythingIsWrittenBelowThem) {
  TempPrefix prefix;
  RegKey root;
  ASSERT_EQ(root.Open(RegRoot::kCurrentConfig, ""), platform::kErrorSuccess);
  EXPECT_EQ(root.EnumKey(0).error(), platform::kErrorNoMoreItems);
  EXPECT_EQ(root.QueryValue("x").error(), platform::kErrorFileNotFound);
  EXPECT_EQ(root.DeleteValue("x"), platform::kErrorFileNotFound);
  EXPECT_EQ(ReadHostFile(HivePath(prefix, "machine.reg")).find("Hardware Profiles"), std::string::npos);
  ASSERT_EQ(root.SetDword("x", 1), platform::kErrorSuccess);
  EXPECT_NE(ReadHostFile(HivePath(prefix, "machine.reg")).find("Hardware Profiles\\Current]\n\"x\"="),
            std::string::npos);
}

TEST(RegistryKeys, DeletedTreesLeaveTheHiveFile) {
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\Tree\\B\\C\\D"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetDword("d", 4), platform::kErrorSuccess);
  RegKey tree;
  ASSERT_EQ(tree.Open(RegRoot::kLocalMachine, "Software\\Tree"), platform::kErrorSuccess);
  EXPECT_EQ(tree.DeleteTree("b"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HivePath(prefix, "machine.reg")).find("\\Tree\\B"), std::string::npos);
}

TEST(RegistryKeys, RefuseNamesTheHiveCannotHold) {
  TempPrefix prefix;
  RegKey key;
  EXPECT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\" + std::string(256, 'k')),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\Line\nBreak"), platform::kErrorInvalidParameter);
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\" + std::string(255, 'k')), platform::kErrorSuccess);
  EXPECT_EQ(key.SetDword("a\nb", 1), platform::kErrorInvalidParameter);
  EXPECT_EQ(key.SetDword(std::string_view("a\0b", 3), 1), platform::kErrorInvalidParameter);
  EXPECT_TRUE(ParseHiveFile(prefix).has_value());
}

TEST(RegistryKeys, EnumerateInCreationOrderAcrossRereads) {
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\Order"), platform::kErrorSuccess);
  for (const char* name : {"zeta", "Alpha", "mid"}) {
    RegKey child;
    ASSERT_EQ(child.Create(RegRoot::kLocalMachine, std::string("Software\\Order\\") + name), platform::kErrorSuccess);
    ASSERT_EQ(key.SetDword(name, 1), platform::kErrorSuccess);
  }
  ASSERT_EQ(key.SetDword("zeta", 2), platform::kErrorSuccess);  // an update keeps its place
  ASSERT_EQ(key.DeleteValue("Alpha"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetDword("alpha", 3), platform::kErrorSuccess);  // a new one goes last

  EXPECT_EQ(key.EnumKey(0).value_or(""), "zeta");
  EXPECT_EQ(key.EnumKey(1).value_or(""), "Alpha");
  EXPECT_EQ(key.EnumKey(2).value_or(""), "mid");
  EXPECT_EQ(key.EnumKey(3).error(), platform::kErrorNoMoreItems);

  auto parsed = ParseHiveFile(prefix);
  ASSERT_TRUE(parsed.has_value());
  const platform::reg::HiveKey* order = parsed->Find({"Software", "Order"});
  ASSERT_NE(order, nullptr);
  std::vector<std::string> values;
  for (const auto& value : order->values) values.push_back(value.value.name);
  EXPECT_EQ(values, (std::vector<std::string>{"zeta", "mid", "alpha"}));
}

struct ParseCase {
  const char* label;
  std::string text;
};

class HiveParserRejects : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HiveParserRejects, MalformedText) {
  auto parsed = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", GetParam().text);
  ASSERT_FALSE(parsed.has_value());
  EXPECT_EQ(parsed.error(), platform::kErrorRegistryCorrupt);
}

const std::string kHead = "Windows Registry Editor Version 5.00\n\n";

INSTANTIATE_TEST_SUITE_P(
    Malformed, HiveParserRejects,
    ::testing::Values(ParseCase{"Empty", ""}, ParseCase{"NoHeader", "[HKEY_LOCAL_MACHINE\\A]\n"},
                      ParseCase{"OldHeader", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n"},
                      ParseCase{"ValueBeforeKey", kHead + "\"a\"=dword:00000001\n"},
                      ParseCase{"OtherRoot", kHead + "[HKEY_USERS\\A]\n"},
                      ParseCase{"DeleteMarker", kHead + "[-HKEY_LOCAL_MACHINE\\A]\n"},
                      ParseCase{"EmptyComponent", kHead + "[HKEY_LOCAL_MACHINE\\A\\\\B]\n"},
                      ParseCase{"UnclosedHeader", kHead + "[HKEY_LOCAL_MACHINE\\A\n"},
                      ParseCase{"BadEscape", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\\n\"=\"x\"\n"},
                      ParseCase{"UnterminatedName", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a=\"x\"\n"},
                      ParseCase{"UnterminatedData", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=\"x\n"},
                      ParseCase{"TextAfterString", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=\"x\"y\n"},
                      ParseCase{"EmptyQuotedName", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"\"=\"x\"\n"},
                      ParseCase{"DwordTooLong", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:123456789\n"},
                      ParseCase{"DwordNotHex", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:0000000g\n"},
                      ParseCase{"HexNotHex", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:0g\n"},
                      ParseCase{"HexTooWide", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:100\n"},
                      ParseCase{"HexTrailingComma", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:01,\n"},
                      ParseCase{"HexTypeUnclosed", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex(2:01\n"},
                      ParseCase{"ContinuationAtEnd", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:01,\\\n"},
                      ParseCase{"DeleteValue", kHead + "[HKEY_LOCAL_MACHINE\\A]\n\"a\"=-\n"},
                      ParseCase{"Garbage", kHead + "[HKEY_LOCAL_MACHINE\\A]\nnot a value\n"},
                      ParseCase{"InvalidUtf8", kHead + "[HKEY_LOCAL_MACHINE\\A\xff]\n"},
                      ParseCase{"TooDeep", kHead + "[HKEY_LOCAL_MACHINE" + [] {
                                  std::string path;
                                  for (int i = 0; i < 513; ++i) path += "\\k";
                                  return path;
                                }() + "]\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(HiveParser, ToleratesWhatEditorsWrite) {
  std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "; a comment\r\n"
      "[hkey_local_machine\\Software\\Edited]  \r\n"
      "\"Spaced\" = dword:0000002a\r\n"
      "\"List\"=hex(7):61,00,00,00,\\\r\n"
      "    00,00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Edited]\r\n"
      "\"Spaced\"=\"later\"\r\n";
  auto parsed = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", text);
  ASSERT_TRUE(parsed.has_value());
  const platform::reg::HiveKey* key = parsed->Find({"Software", "Edited"});
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 2u);
  EXPECT_EQ(key->values[0].value.type, platform::kRegSz);  // a later line wins
  EXPECT_EQ(key->values[0].value.data, Utf16(u"later", true));
  EXPECT_EQ(key->values[1].value.data, (Bytes{0x61, 0, 0, 0, 0, 0}));
  // Empty keys are kept.
  auto empty = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", kHead + "[HKEY_LOCAL_MACHINE\\Empty]\n\n");
  ASSERT_TRUE(empty.has_value());
  EXPECT_NE(empty->Find({"Empty"}), nullptr);
  EXPECT_EQ(empty->Serialize(), kHead + "[HKEY_LOCAL_MACHINE\\Empty]\n\n");
}

// Random damage to a real hive: the parser must refuse it cleanly or read
// something whose own text reads back to the same hive.
TEST(HiveParser, DamagedTextIsRefusedOrReadConsistently) {
  TempPrefix prefix;
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\Damage"), platform::kErrorSuccess);
  ASSERT_EQ(key.SetValue("Blob", platform::kRegBinary, LongBinary()), platform::kErrorSuccess);
  ASSERT_EQ(key.SetString("Text", "a \"quoted\" \\ 전자"), platform::kErrorSuccess);
  const std::string original = ReadHostFile(HivePath(prefix, "machine.reg"));
  const std::string alphabet = "[]\\\"=@,:()\n\r \x00\xff\xc3hexdword0123456789abcdef";

  std::mt19937 random(42);
  int accepted = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string text = original;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
      size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text[at] = alphabet[random() % alphabet.size()]; break;
        case 1: text.erase(at, 1 + random() % 8); break;
        default: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
      }
    }
    auto parsed = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", text);
    if (!parsed) {
      ASSERT_EQ(parsed.error(), platform::kErrorRegistryCorrupt);
      continue;
    }
    ++accepted;
    std::string written = parsed->Serialize();
    auto reread = platform::reg::Hive::Parse("HKEY_LOCAL_MACHINE", written);
    ASSERT_TRUE(reread.has_value()) << text;
    ASSERT_EQ(reread->Serialize(), written) << text;
  }
  EXPECT_GT(accepted, 0);
}

TEST(RegistryCorruptHive, FailsReadsAndRefusesWrites) {
  TempPrefix prefix;
  RegKey opened;
  ASSERT_EQ(opened.Create(RegRoot::kLocalMachine, "Software\\Before"), platform::kErrorSuccess);
  std::string broken = kHead + "[HKEY_LOCAL_MACHINE\\Software\\Before]\n\"a\"=hex:zz\n";
  Overwrite(HivePath(prefix, "machine.reg"), broken);

  RegKey key;
  EXPECT_EQ(key.Open(RegRoot::kLocalMachine, "Software\\Before"), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\New"), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(opened.QueryValue("a").error(), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(opened.SetDword("a", 1), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(opened.DeleteTree(""), platform::kErrorRegistryCorrupt);
  EXPECT_EQ(ReadHostFile(HivePath(prefix, "machine.reg")), broken);

  // The other hive is a file of its own and goes on working.
  RegKey user;
  ASSERT_EQ(user.Create(RegRoot::kCurrentUser, "Software\\Still"), platform::kErrorSuccess);
  EXPECT_EQ(user.SetDword("ok", 1), platform::kErrorSuccess);
}

TEST(RegistryStore, MissingHiveIsEmpty) {
  TempPrefix prefix;
  std::filesystem::remove(HivePath(prefix, "users.reg"));
  RegKey key;
  EXPECT_EQ(key.Open(RegRoot::kUsers, "Anything"), platform::kErrorFileNotFound);
  ASSERT_EQ(key.Open(RegRoot::kUsers, ""), platform::kErrorSuccess);
  EXPECT_EQ(key.EnumKey(0).error(), platform::kErrorNoMoreItems);
  ASSERT_EQ(key.Create(RegRoot::kUsers, "New"), platform::kErrorSuccess);
  EXPECT_EQ(ReadHostFile(HivePath(prefix, "users.reg")), kHead + "[HKEY_USERS\\New]\n\n");
}

TEST(RegistryStore, TransactionWritesOnceAndOnlyWhatSucceeded) {
  TempPrefix prefix;
  std::string before = ReadHostFile(HivePath(prefix, "machine.reg"));
  {
    platform::RegTransaction transaction;
    RegKey key;
    ASSERT_EQ(key.Create(RegRoot::kLocalMachine, "Software\\Batch"), platform::kErrorSuccess);
    for (uint32_t i = 0; i < 50; ++i) ASSERT_EQ(key.SetDword("v" + std::to_string(i), i), platform::kErrorSuccess);
    EXPECT_EQ(key.DeleteValue("missing"), platform::kErrorFileNotFound);
    EXPECT_EQ(key.DeleteKey("missing"), platform::kErrorFileNotFound);
    {
      platform::RegTransaction inner;  // joins the outer one
      ASSERT_EQ(key.SetDword("inner", 1), platform::kErrorSuccess);
    }
    // This thread sees its changes; the file does not have them yet.
    EXPECT_EQ(key.ReadDword("v49").value_or(0), 49u);
    EXPECT_EQ(key.ReadDword("inner").value_or(0), 1u);
    EXPECT_EQ(ReadHostFile(HivePath(prefix, "machine.reg")), before);
    EXPECT_EQ(transaction.Commit(), platform::kErrorSuccess);
  }
  auto parsed = ParseHiveFile(prefix);
  ASSERT_TRUE(parsed.has_value());
  const platform::reg::HiveKey* batch = parsed->Find({"Software", "Batch"});
  ASSERT_NE(batch, nullptr);
  EXPECT_EQ(batch->values.size(), 51u);
  EXPECT_TRUE(batch->children.empty());
}

std::vector<std::string> TempFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.find(".tmp") != std::string::npos) names.push_back(name);
  }
  return names;
}

// The child's loop: a value whose every byte and whose length tell which
// write made it, so a mixture of two writes would show. A byte on `ready`
// says the first write is in the hive, so every round kills a writer that
// has made progress, however slow the machine (or a sanitizer) makes it.
[[noreturn]] void GrowForever(size_t start, int ready) {
  RegKey key;
  if (key.Create(RegRoot::kLocalMachine, "Software\\Crash") != platform::kErrorSuccess) _exit(3);
  for (size_t n = start;; ++n) {
    Bytes data(n * 64, static_cast<uint8_t>(n));
    if (key.SetValue("Grow", platform::kRegBinary, data) != platform::kErrorSuccess) _exit(4);
    if (n == start && write(ready, "w", 1) != 1) _exit(5);
  }
}

TEST(RegistryStore, KilledWritersLeaveTheOldOrTheNewHive) {
  TempPrefix prefix;
  RegKey sentinel;
  ASSERT_EQ(sentinel.Create(RegRoot::kLocalMachine, "Software\\Sentinel"), platform::kErrorSuccess);
  ASSERT_EQ(sentinel.SetString("Keep", "me"), platform::kErrorSuccess);

  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> delay(0, 4000);
  size_t last = 0;
  for (int round = 0; round < 200; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      GrowForever(last + 1, ready[1]);
    }
    close(ready[1]);
    char written = 0;
    ssize_t got = read(ready[0], &written, 1);
    close(ready[0]);
    if (got == 1) usleep(static_cast<useconds_t>(delay(random)));  // else its status says why
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself with " << WEXITSTATUS(status);

    auto parsed = ParseHiveFile(prefix);
    ASSERT_TRUE(parsed.has_value()) << "round " << round;
    const platform::reg::HiveKey* kept = parsed->Find({"Software", "Sentinel"});
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->values.size(), 1u);
    const platform::reg::HiveKey* crash = parsed->Find({"Software", "Crash"});
    if (crash == nullptr || crash->values.empty()) continue;
    const Bytes& data = crash->values[0].value.data;
    ASSERT_EQ(data.size() % 64, 0u);
    size_t n = data.size() / 64;
    ASSERT_GE(n, last) << "round " << round;
    ASSERT_EQ(std::count(data.begin(), data.end(), static_cast<uint8_t>(n)), static_cast<ptrdiff_t>(data.size()));
    last = n;
  }
  EXPECT_GT(last, 0u);
  // Leftovers of killed writers go with the next write.
  ASSERT_EQ(sentinel.SetString("Keep", "still"), platform::kErrorSuccess);
  EXPECT_TRUE(TempFilesIn(prefix.Root() + "/registry").empty());
}

TEST(RegistryStore, ConcurrentWritersLoseNothing) {
  TempPrefix prefix;
  constexpr int kPerThread = 100;
  std::vector<pid_t> children;
  for (char process : {'A', 'B'}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Two threads per process: the lock must hold within a process too.
      bool ok = true;
      auto writer = [&](int thread) {
        RegKey key;
        if (key.Create(RegRoot::kLocalMachine, "Software\\Concurrent") != platform::kErrorSuccess) ok = false;
        for (int i = 0; i < kPerThread; ++i) {
          std::string name = std::string(1, process) + std::to_string(thread) + "-" + std::to_string(i);
          if (key.SetDword(name, static_cast<uint32_t>(i)) != platform::kErrorSuccess) ok = false;
        }
      };
      std::thread second(writer, 1);
      writer(0);
      second.join();
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  RegKey key;
  ASSERT_EQ(key.Open(RegRoot::kLocalMachine, "Software\\Concurrent"), platform::kErrorSuccess);
  for (char process : {'A', 'B'}) {
    for (int thread = 0; thread < 2; ++thread) {
      for (int i = 0; i < kPerThread; ++i) {
        std::string name = std::string(1, process) + std::to_string(thread) + "-" + std::to_string(i);
        EXPECT_EQ(key.ReadDword(name).value_or(99999), static_cast<uint32_t>(i)) << name;
      }
    }
  }
  EXPECT_EQ(key.EnumValue(4 * kPerThread).error(), platform::kErrorNoMoreItems);
}

}  // namespace
