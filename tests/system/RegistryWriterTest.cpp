#include "system/RegistryWriter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"

namespace {

using platform::RegKey;
using platform::RegRoot;

constexpr char kSubkey[] = "SOFTWARE\\Vamo\\Writer";

struct RegistryWriterTest : ::testing::Test {
  // The line that stores a value in the machine hive file, without the name:
  // "dword:0000007b", "hex(5):01,00,00,00", ...
  std::string HiveLine(const std::string& keyPath, const std::string& valueName) {
    std::string hive = ReadHostFile(prefix.Root() + "/registry/machine.reg");
    size_t block = hive.find("[HKEY_LOCAL_MACHINE\\" + keyPath + "]\n");
    if (block == std::string::npos) return "<no key>";
    size_t end = hive.find("\n[", block + 1);
    std::string needle = "\n\"" + valueName + "\"=";
    size_t at = hive.find(needle, block);
    if (at == std::string::npos || at > end) return "<no value>";
    at += needle.size();
    return hive.substr(at, hive.find('\n', at) - at);
  }
  bool KeyExists(RegRoot root, const std::string& path) { return RegKey().Open(root, path) == 0; }

  TempPrefix prefix;
};

struct LayoutCase {
  const char* type;
  const char* data;
  const char* hiveLine;
};

struct RegistryLayoutTest : RegistryWriterTest, ::testing::WithParamInterface<LayoutCase> {};

TEST_P(RegistryLayoutTest, StoresTheBytesOfTheType) {
  const LayoutCase& c = GetParam();
  ASSERT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, c.type, "Value", c.data));
  EXPECT_EQ(HiveLine(kSubkey, "Value"), c.hiveLine);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryLayoutTest,
    ::testing::Values(LayoutCase{"REG_DWORD", "123abc", "dword:0000007b"},
                      LayoutCase{"REG_DWORD", "  -2", "dword:fffffffe"},
                      LayoutCase{"REG_DWORD", "none", "dword:00000000"},
                      LayoutCase{"REG_DWORD", "99999999999", "dword:7fffffff"},
                      LayoutCase{"REG_DWORD_LITTLE_ENDIAN", "+258", "dword:00000102"},
                      LayoutCase{"REG_DWORD_BIG_ENDIAN", "1", "hex(5):01,00,00,00"},
                      LayoutCase{"REG_STR", "abc", "hex(1):61,00,62,00,63,00"},
                      LayoutCase{"REG_STR", "", "hex(1):"},
                      LayoutCase{"REG_EXPAND_SZ", "%A%", "hex(2):25,00,41,00,25,00"},
                      LayoutCase{"REG_MULTI_SZ", "a\\0b", "hex(7):61,00,5c,00,30,00,62,00"},
                      LayoutCase{"REG_STR", "한", "hex(1):5c,d5"},
                      LayoutCase{"REG_BINARY", "'1'2'255'", "hex:01,02,ff"},
                      LayoutCase{"REG_BINARY", "0'16", "hex:00,10"},
                      LayoutCase{"REG_BINARY", "", "hex:"}));

TEST_F(RegistryWriterTest, RefusesBinaryDataThatIsNotAByteList) {
  for (const char* data : {"256", "1''2", "1'x", "-1", "1 2", "1234", "'''"})
    EXPECT_FALSE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, "REG_BINARY", data, data)) << data;
  EXPECT_EQ(HiveLine(kSubkey, "256"), "<no value>");
}

TEST_F(RegistryWriterTest, RootsAreMappedExactly) {
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_CURRENT_USER", "Software\\Vamo", "REG_STR", "Who", "me"));
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kCurrentUser, "Software\\Vamo", "Who"), "me");
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_CLASSES_ROOT", "VamoCtl.Ctl", "REG_STR", "", "control"));
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, "Software\\Classes\\VamoCtl.Ctl", ""), "control");

  for (const char* root : {"hkey_local_machine", "HKLM", "HKEY_LOCAL_MACHINE ", "", "HKEY_DYN_DATA"}) {
    EXPECT_FALSE(CRegistryWriter::Write(root, "SOFTWARE\\Refused", "REG_STR", "v", "d")) << root;
  }
  EXPECT_FALSE(KeyExists(RegRoot::kLocalMachine, "SOFTWARE\\Refused"));
}

TEST_F(RegistryWriterTest, UnknownTypeLeavesTheNewKey) {
  EXPECT_FALSE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", "SOFTWARE\\Typo", "REG_SZ", "v", "d"));
  EXPECT_TRUE(KeyExists(RegRoot::kLocalMachine, "SOFTWARE\\Typo"));
  EXPECT_FALSE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", "SOFTWARE\\Typo", "reg_str", "v", "d"));
  EXPECT_EQ(HiveLine("SOFTWARE\\Typo", "v"), "<no value>");
}

TEST_F(RegistryWriterTest, DeletesValuesAndCountsAMissingOneAsDone) {
  ASSERT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, "REG_STR", "Gone", "x"));
  ASSERT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, "REG_STR", "Kept", "y"));
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, "REG_DEL_NAME", "Gone", ""));
  EXPECT_EQ(HiveLine(kSubkey, "Gone"), "<no value>");
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, kSubkey, "Kept"), "y");
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", kSubkey, "REG_DEL_NAME", "NeverThere", ""));
}

TEST_F(RegistryWriterTest, DeletesADeepTreeAndOnlyIt) {
  const std::string base = "SOFTWARE\\Vamo\\Tree";
  for (const char* path : {"\\A\\B\\C\\D", "\\A\\B2", "\\A2\\X\\Y", "\\A2\\Z"}) {
    ASSERT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", base + path, "REG_DWORD", "n", "1"));
  }
  ASSERT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vamo\\TreeSibling", "REG_STR", "s", "x"));

  EXPECT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", base, "REG_DEL_KEY", "", ""));
  EXPECT_FALSE(KeyExists(RegRoot::kLocalMachine, base));
  EXPECT_FALSE(KeyExists(RegRoot::kLocalMachine, base + "\\A2\\X\\Y"));
  EXPECT_TRUE(KeyExists(RegRoot::kLocalMachine, "SOFTWARE\\Vamo"));
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, "SOFTWARE\\Vamo\\TreeSibling", "s"), "x");
  EXPECT_EQ(ReadHostFile(prefix.Root() + "/registry/machine.reg").find("Vamo\\Tree\\"), std::string::npos);

  // A key that was not there is created by the open and removed again.
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vamo\\Never", "REG_DEL_KEY", "", ""));
  EXPECT_FALSE(KeyExists(RegRoot::kLocalMachine, "SOFTWARE\\Vamo\\Never"));
  // A top-level key of a root goes the same way.
  ASSERT_TRUE(CRegistryWriter::Write("HKEY_CURRENT_USER", "VamoTop\\Child", "REG_STR", "v", "x"));
  EXPECT_TRUE(CRegistryWriter::Write("HKEY_CURRENT_USER", "VamoTop", "REG_DEL_KEY", "", ""));
  EXPECT_FALSE(KeyExists(RegRoot::kCurrentUser, "VamoTop"));
}

TEST_F(RegistryWriterTest, ReadStringFitsTheBufferAndIgnoresOtherTypes) {
  RegKey key;
  ASSERT_EQ(key.Create(RegRoot::kLocalMachine, kSubkey), 0u);
  ASSERT_EQ(key.SetString("Path", "C:\\Program Files\\Vamo"), 0u);
  ASSERT_EQ(key.SetString("Long", std::string(300, 'L')), 0u);
  ASSERT_EQ(key.SetDword("Number", 5), 0u);
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, kSubkey, "Path"), "C:\\Program Files\\Vamo");
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, kSubkey, "Long"), std::string(259, 'L'));
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, kSubkey, "Number"), "");
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, kSubkey, "Missing"), "");
  EXPECT_EQ(CRegistryWriter::ReadString(RegRoot::kLocalMachine, "SOFTWARE\\NoSuchKey", "Path"), "");
}

}  // namespace
