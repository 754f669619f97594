#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

using platform::RegKey;
using platform::RegRoot;
using Bytes = std::vector<uint8_t>;

constexpr const char* kDone = "The operation completed successfully.\n";
constexpr const char* kNotFound = "ERROR: The system was unable to find the specified registry key or value.\n";

void ExpectOk(const ToolOutput& output) {
  EXPECT_EQ(output.exitStatus, 0) << output.err;
  EXPECT_EQ(output.out, kDone);
}

Bytes StoredBytes(RegRoot root, const std::string& path, const std::string& name) {
  RegKey key;
  if (key.Open(root, path) != platform::kErrorSuccess) return {0xEE};
  auto value = key.QueryValue(name);
  return value ? value->data : Bytes{0xEE};
}

struct AddCase {
  const char* label;
  std::vector<std::string> options;  // after the key
  uint32_t type;
  Bytes data;
  std::string shown;  // the data column of reg query
};

class RegToolAdd : public ::testing::TestWithParam<AddCase> {};

TEST_P(RegToolAdd, StoresWhatRegExeStoresAndQueryShowsIt) {
  const AddCase& c = GetParam();
  TempPrefix prefix;
  std::vector<std::string> args = {"reg", "add", "HKLM\\Software\\Tool", "/v", "Val"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.push_back("/f");
  ExpectOk(RunTool(args));

  RegKey key;
  ASSERT_EQ(key.Open(RegRoot::kLocalMachine, "Software\\Tool"), platform::kErrorSuccess);
  auto value = key.QueryValue("Val");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, c.type);
  EXPECT_EQ(value->data, c.data);

  ToolOutput query = RunTool({"reg", "query", "HKLM\\Software\\Tool", "/v", "val"});
  EXPECT_EQ(query.exitStatus, 0);
  EXPECT_EQ(query.out, "\nHKEY_LOCAL_MACHINE\\Software\\Tool\n    Val    " +
                           std::string(platform::RegTypeName(c.type)) + "    " + c.shown + "\n\n");
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegToolAdd,
    ::testing::Values(
        AddCase{"DefaultTypeIsSz", {"/d", "abc"}, platform::kRegSz, {'a', 0, 'b', 0, 'c', 0, 0, 0}, "abc"},
        AddCase{"Korean", {"/d", "결제"}, platform::kRegSz, {0xB0, 0xAC, 0x1C, 0xC8, 0, 0}, "결제"},
        AddCase{"ExpandSz", {"/t", "REG_EXPAND_SZ", "/d", "%A%"}, platform::kRegExpandSz,
                {'%', 0, 'A', 0, '%', 0, 0, 0}, "%A%"},
        AddCase{"DwordDecimal", {"/t", "REG_DWORD", "/d", "5"}, platform::kRegDword, {5, 0, 0, 0}, "0x5"},
        AddCase{"DwordHex", {"/t", "reg_dword", "/d", "0xABCDEF01"}, platform::kRegDword,
                {0x01, 0xEF, 0xCD, 0xAB}, "0xabcdef01"},
        AddCase{"DwordBigEndian", {"/t", "REG_DWORD_BIG_ENDIAN", "/d", "1"}, platform::kRegDwordBigEndian,
                {0, 0, 0, 1}, "0x1"},
        AddCase{"Qword", {"/t", "REG_QWORD", "/d", "0x100000000"}, platform::kRegQword, {0, 0, 0, 0, 1, 0, 0, 0},
                "0x100000000"},
        AddCase{"Binary", {"/t", "REG_BINARY", "/d", "deadBEEF"}, platform::kRegBinary, {0xDE, 0xAD, 0xBE, 0xEF},
                "DEADBEEF"},
        AddCase{"MultiSz", {"/t", "REG_MULTI_SZ", "/d", "a\\0b"}, platform::kRegMultiSz,
                {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, "a\\0b"},
        AddCase{"MultiSzSeparator", {"/t", "REG_MULTI_SZ", "/s", "#", "/d", "a#b#"}, platform::kRegMultiSz,
                {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, "a\\0b"},
        AddCase{"NoData", {"/t", "REG_BINARY"}, platform::kRegBinary, {}, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegTool, QueryListsValuesThenSubkeys) {
  TempPrefix prefix;
  ExpectOk(RunTool({"reg", "add", "HKCU\\Software\\Q", "/v", "Name", "/d", "x", "/f"}));
  ExpectOk(RunTool({"reg", "add", "HKCU\\Software\\Q", "/ve", "/d", "dflt", "/f"}));
  ExpectOk(RunTool({"reg", "add", "HKCU\\Software\\Q\\Sub1"}));
  ExpectOk(RunTool({"reg", "add", "HKCU\\Software\\Q\\Sub2", "/v", "N", "/t", "REG_DWORD", "/d", "16", "/f"}));

  ToolOutput all = RunTool({"reg", "query", "hkey_current_user\\Software\\Q"});
  EXPECT_EQ(all.exitStatus, 0);
  EXPECT_EQ(all.out,
            "\nHKEY_CURRENT_USER\\Software\\Q\n"
            "    Name    REG_SZ    x\n"
            "    (Default)    REG_SZ    dflt\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Q\\Sub1\n"
            "HKEY_CURRENT_USER\\Software\\Q\\Sub2\n");

  ToolOutput recursive = RunTool({"reg", "query", "HKCU\\Software\\Q\\", "/s"});
  EXPECT_EQ(recursive.exitStatus, 0);
  EXPECT_EQ(recursive.out,
            "\nHKEY_CURRENT_USER\\Software\\Q\n"
            "    Name    REG_SZ    x\n"
            "    (Default)    REG_SZ    dflt\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Q\\Sub1\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Q\\Sub2\n"
            "    N    REG_DWORD    0x10\n"
            "\n");

  ToolOutput onlySubkeys = RunTool({"reg", "query", "HKCU\\Software"});
  EXPECT_EQ(onlySubkeys.out.substr(0, 1), "\n");
  EXPECT_NE(onlySubkeys.out.find("\nHKEY_CURRENT_USER\\Software\\Q\n"), std::string::npos);

  ToolOutput unset = RunTool({"reg", "query", "HKCU\\Software\\Q\\Sub1", "/ve"});
  EXPECT_EQ(unset.exitStatus, 0);
  EXPECT_EQ(unset.out, "\nHKEY_CURRENT_USER\\Software\\Q\\Sub1\n    (Default)    REG_SZ    (value not set)\n\n");

  ToolOutput search = RunTool({"reg", "query", "HKCU\\Software\\Q", "/v", "n", "/s"});
  EXPECT_EQ(search.exitStatus, 0);
  EXPECT_EQ(search.out,
            "\nHKEY_CURRENT_USER\\Software\\Q\\Sub2\n    N    REG_DWORD    0x10\n\n"
            "End of search: 1 match(es) found.\n");
}

struct FailureCase {
  const char* label;
  std::vector<std::string> args;
  int exitStatus;
  std::string err;  // the start of what goes to standard error
};

class RegToolFails : public ::testing::TestWithParam<FailureCase> {};

TEST_P(RegToolFails, WithRegExeMessageAndStatus) {
  const FailureCase& c = GetParam();
  TempPrefix prefix;
  ExpectOk(RunTool({"reg", "add", "HKLM\\Software\\F", "/v", "Here", "/d", "1", "/f"}));
  std::vector<std::string> args = {"reg"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  ToolOutput output = RunTool(args);
  EXPECT_EQ(output.exitStatus, c.exitStatus);
  EXPECT_EQ(output.err.substr(0, c.err.size()), c.err);
  // Nothing was changed by the failed command.
  EXPECT_EQ(StoredBytes(RegRoot::kLocalMachine, "Software\\F", "Here"), (Bytes{'1', 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegToolFails,
    ::testing::Values(
        FailureCase{"QueryMissingKey", {"query", "HKLM\\Software\\Nope"}, 1, kNotFound},
        FailureCase{"QueryMissingValue", {"query", "HKLM\\Software\\F", "/v", "Nope"}, 1, kNotFound},
        FailureCase{"DeleteMissingKey", {"delete", "HKLM\\Software\\Nope", "/f"}, 1, kNotFound},
        FailureCase{"DeleteMissingValue", {"delete", "HKLM\\Software\\F", "/v", "Nope", "/f"}, 1, kNotFound},
        FailureCase{"BadRoot", {"query", "HKXX\\Software"}, 2, "ERROR: Invalid key name."},
        FailureCase{"DeleteRoot", {"delete", "HKLM", "/f"}, 2, "ERROR: Invalid key name."},
        FailureCase{"NameTwice", {"query", "HKLM\\Software\\F", "/v", "a", "/ve"}, 2, "ERROR: Invalid syntax."},
        FailureCase{"MissingName", {"query", "HKLM\\Software\\F", "/v"}, 2, "ERROR: Invalid syntax."},
        FailureCase{"UnknownOption", {"query", "HKLM\\Software\\F", "/x"}, 2, "ERROR: Invalid syntax."},
        FailureCase{"UnknownType", {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_FOO", "/f"}, 2,
                    "ERROR: Invalid syntax."},
        FailureCase{"LinkType", {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_LINK", "/f"}, 2,
                    "ERROR: Invalid syntax."},
        FailureCase{"DwordNotNumber",
                    {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_DWORD", "/d", "12ab", "/f"}, 2,
                    "ERROR: Invalid syntax."},
        FailureCase{"DwordTooBig",
                    {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_DWORD", "/d", "4294967296", "/f"}, 2,
                    "ERROR: Invalid syntax."},
        FailureCase{"BinaryOdd", {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_BINARY", "/d", "abc", "/f"},
                    2, "ERROR: Invalid syntax."},
        FailureCase{"MultiSzEmptyString",
                    {"add", "HKLM\\Software\\F", "/v", "Here", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b", "/f"}, 2,
                    "ERROR: Invalid syntax."},
        FailureCase{"SeparatorWithoutMulti", {"add", "HKLM\\Software\\F", "/v", "Here", "/s", "#", "/d", "x", "/f"},
                    2, "ERROR: Invalid syntax."},
        FailureCase{"OverwriteDeclined", {"add", "HKLM\\Software\\F", "/v", "Here", "/d", "2"}, 1, ""},
        FailureCase{"DeleteDeclined", {"delete", "HKLM\\Software\\F", "/v", "Here"}, 1, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegTool, ReportsACorruptHiveAsAFailure) {
  TempPrefix prefix;
  std::string hive = prefix.Root() + "/registry/machine.reg";
  std::string broken = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:zz\n";
  {
    FILE* file = std::fopen(hive.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(broken.data(), 1, broken.size(), file);
    std::fclose(file);
  }
  const std::string message = "ERROR: The structure of one of the files containing registry data is corrupted.\n";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"reg", "query", "HKLM"},
           {"reg", "query", "HKLM", "/s"},
           {"reg", "query", "HKCR", "/v", "x", "/s"},
           {"reg", "query", "HKLM\\A"},
           {"reg", "add", "HKLM\\A", "/v", "x", "/d", "1", "/f"},
           {"reg", "delete", "HKLM\\A", "/f"}}) {
    ToolOutput output = RunTool(args);
    EXPECT_EQ(output.exitStatus, 1) << args[1] << " " << args[2];
    EXPECT_EQ(output.err, message);
  }
  EXPECT_EQ(ReadHostFile(hive), broken);
}

TEST(RegTool, DeletesValuesAndTrees) {
  TempPrefix prefix;
  ExpectOk(RunTool({"reg", "add", "HKCR\\.vamo", "/ve", "/d", "VamoFile", "/f"}));
  ExpectOk(RunTool({"reg", "add", "HKCR\\.vamo", "/v", "A", "/d", "1", "/f"}));
  ExpectOk(RunTool({"reg", "add", "HKCR\\.vamo\\Sub\\Deeper", "/v", "B", "/d", "2", "/f"}));

  ExpectOk(RunTool({"reg", "delete", "HKCR\\.vamo", "/ve", "/f"}));
  EXPECT_EQ(StoredBytes(RegRoot::kClassesRoot, ".vamo", ""), Bytes{0xEE});
  EXPECT_EQ(StoredBytes(RegRoot::kClassesRoot, ".vamo", "A"), (Bytes{'1', 0, 0, 0}));

  ExpectOk(RunTool({"reg", "delete", "HKCR\\.vamo", "/va", "/f"}));
  EXPECT_EQ(StoredBytes(RegRoot::kClassesRoot, ".vamo", "A"), Bytes{0xEE});
  EXPECT_EQ(StoredBytes(RegRoot::kClassesRoot, ".vamo\\Sub\\Deeper", "B"), (Bytes{'2', 0, 0, 0}));

  ExpectOk(RunTool({"reg", "delete", "HKEY_LOCAL_MACHINE\\Software\\Classes\\.VAMO", "/f"}));
  RegKey key;
  EXPECT_EQ(key.Open(RegRoot::kClassesRoot, ".vamo"), platform::kErrorFileNotFound);
}

}  // namespace
