#include "platform/setup/InfFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "tests/support/ScratchSpace.h"

namespace {

using platform::setup::InfFile;

using Fields = std::vector<std::string>;

TEST(InfFileTest, ParsesSectionsKeysFieldsAndComments) {
  InfFile inf;
  inf.Parse(
      "; leading comment\r\n"
      "ignored = before any section\r\n"
      "[Version]\r\n"
      "Signature=\"$CHICAGO$\"\r\n"
      "[ DefaultInstall ]\r\n"
      "CopyFiles = Files.A, Files.B ; two sections\r\n"
      "AddReg=Reg\r\n"
      "[files.a]\r\n"
      "a.dll\r\n"
      "b.dll , \"src name.dll\"\r\n"
      "[Reg]\r\n"
      "HKLM,\"Software\\Vamo, Inc\",\"Name\",0x10001,1\r\n"
      "HKLM,Software\\Vamo,Text,,\"say \"\"hi\"\"; not a comment\"\r\n"
      "[DEFAULTINSTALL]\r\n"
      "DelReg=Gone\r\n"
      "[broken\r\n"
      "lost=line\r\n");

  const InfFile::Line* copy = inf.Find("defaultinstall", "copyfiles");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->fields, (Fields{"Files.A", "Files.B"}));
  EXPECT_EQ(copy->raw, "Files.A, Files.B");
  // Repeated sections are one section.
  ASSERT_NE(inf.Find("DefaultInstall", "DelReg"), nullptr);
  EXPECT_EQ(inf.Find("Version", "Signature")->fields, (Fields{"$CHICAGO$"}));

  const auto* files = inf.Section("FILES.A");
  ASSERT_NE(files, nullptr);
  ASSERT_EQ(files->size(), 2u);
  EXPECT_FALSE((*files)[0].hasKey);
  EXPECT_EQ((*files)[1].fields, (Fields{"b.dll", "src name.dll"}));

  const auto* reg = inf.Section("Reg");
  ASSERT_NE(reg, nullptr);
  ASSERT_EQ(reg->size(), 2u);
  EXPECT_EQ((*reg)[0].fields, (Fields{"HKLM", "Software\\Vamo, Inc", "Name", "0x10001", "1"}));
  EXPECT_EQ((*reg)[1].fields, (Fields{"HKLM", "Software\\Vamo", "Text", "", "say \"hi\"; not a comment"}));

  EXPECT_EQ(inf.Section("broken"), nullptr);
  EXPECT_EQ(inf.Section("missing"), nullptr);
}

TEST(InfFileTest, JoinsContinuedLines) {
  InfFile inf;
  inf.Parse("[S]\nkey = a, \\\n   b, \\\n c\nnext = d\nlast = e \\");
  EXPECT_EQ(inf.Find("S", "key")->fields, (Fields{"a", "b", "c"}));
  EXPECT_EQ(inf.Find("S", "next")->fields, (Fields{"d"}));
  EXPECT_EQ(inf.Find("S", "last")->fields, (Fields{"e"}));
}

TEST(InfFileTest, SubstitutesStringsAndFolderIds) {
  InfFile inf;
  inf.Parse("[Strings]\nApp = \"Vamo Plugin\"\nKey=Software\\Vamo\nPlain = one, two\n");
  auto dirid = [](int id) -> std::optional<std::string> {
    if (id == 11) return std::string("C:\\Windows\\System32");
    return std::nullopt;
  };
  struct Case {
    const char* in;
    const char* out;
  };
  for (Case c : {Case{"%App%", "Vamo Plugin"}, Case{"%app% %KEY%", "Vamo Plugin Software\\Vamo"},
                 Case{"%11%\\a.ocx", "C:\\Windows\\System32\\a.ocx"}, Case{"100%% sure", "100% sure"},
                 Case{"%unknown%x%App%", "%unknown%xVamo Plugin"}, Case{"%99%", "%99%"},
                 Case{"50% off", "50% off"}, Case{"%Plain%", "one, two"}}) {
    EXPECT_EQ(inf.Substitute(c.in, dirid), c.out) << c.in;
  }
}

TEST(InfFileTest, LoadsUtf16AndUtf8Files) {
  ScratchSpace scratch;
  std::u16string wide = u"\uFEFF[섹션]\r\n키 = 값, \"a b\"\r\n";
  std::string bytes;
  for (char16_t unit : wide) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  ASSERT_EQ(platform::fs::WriteFileAtomic(scratch.PathOf("wide.inf"), bytes), platform::kErrorSuccess);
  ASSERT_EQ(platform::fs::WriteFileAtomic(scratch.PathOf("narrow.inf"), "\xEF\xBB\xBF[섹션]\n키 = 값, \"a b\"\n"),
            platform::kErrorSuccess);
  for (const std::string& path : {scratch.PathOf("wide.inf"), scratch.PathOf("narrow.inf")}) {
    InfFile inf;
    ASSERT_TRUE(inf.Load(path)) << path;
    ASSERT_NE(inf.Find("섹션", "키"), nullptr) << path;
    EXPECT_EQ(inf.Find("섹션", "키")->fields, (Fields{"값", "a b"})) << path;
  }
  InfFile missing;
  EXPECT_FALSE(missing.Load(scratch.PathOf("none.inf")));
}

}  // namespace
