#include "system/ArchiveReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace {

const std::string kMakeArchive = std::string(VAMO_TEST_DATA_DIR) + "/archives/make_archive.py";

// Every archive is made by a real tool in C:\arc of a fresh prefix, from
// files "one.bin" (300 KiB of random bytes), "two.txt" and a folder "sub".
class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_strHost = prefix.DriveC() + "/arc";
    std::filesystem::create_directories(m_strHost + "/sub");
    Shell("head -c 307200 /dev/urandom > one.bin && printf 'second member\\n' > two.txt && "
          "printf 'inside\\n' > sub/in.txt");
  }

  void Shell(const std::string& command) {
    ToolOutput out =
        RunProgram("/bin/sh", {"-c", "cd '" + m_strHost + "' && " + command}, {"MAKE=" + kMakeArchive});
    ASSERT_EQ(out.exitStatus, 0) << command << "\n" << out.err;
  }
  std::string Host(const std::string& name) const { return m_strHost + "/" + name; }
  static std::string Win(const std::string& name) { return "C:\\arc\\" + name; }

  TempPrefix prefix;
  std::string m_strHost;
};

struct MadeArchive {
  const char* label;
  const char* command;  // makes "a.arc" in the folder
  const char* expected;  // the file whose bytes the target must hold
};

void PrintTo(const MadeArchive& a, std::ostream* os) { *os << a.label; }

class ArchiveExtractsTest : public ArchiveTest, public ::testing::WithParamInterface<MadeArchive> {};

TEST_P(ArchiveExtractsTest, TargetHoldsTheFileMemberBytes) {
  Shell(GetParam().command);
  EXPECT_EQ(ExtractArchive(Win("a.arc"), "out.bin"), 0);
  EXPECT_EQ(ReadHostFile(Host("out.bin")), ReadHostFile(Host(GetParam().expected)));
  EXPECT_FALSE(std::filesystem::exists(Host("~out.bin.vamo-part")));
}

INSTANTIATE_TEST_SUITE_P(
    RealTools, ArchiveExtractsTest,
    ::testing::Values(
        MadeArchive{"Gzip", "gzip -c one.bin > a.arc", "one.bin"},
        MadeArchive{"GzipEmpty", ": > empty && gzip -c empty > a.arc", "empty"},
        MadeArchive{"GzipConcatenated", "gzip -c one.bin > a.arc && gzip -c two.txt >> a.arc && "
                                        "cat one.bin two.txt > both",
                    "both"},
        // Members that cross the reader's input buffers, and what follows a
        // complete member without starting another: ignored, as gzip does.
        MadeArchive{"GzipManyLargeMembers", "for i in 1 2 3 4 5; do gzip -c one.bin; cat one.bin >> all; done > a.arc",
                    "all"},
        MadeArchive{"GzipTrailingGarbage", "gzip -c two.txt > a.arc && printf 'signed by mirror' >> a.arc", "two.txt"},
        MadeArchive{"GzipTrailingLoneMagicByte", "gzip -c two.txt > a.arc && printf '\\037' >> a.arc", "two.txt"},
        MadeArchive{"TarGzOneFile", "tar czf a.arc one.bin", "one.bin"},
        MadeArchive{"TarGzFolderFirst", "tar czf a.arc sub/ one.bin", "one.bin"},
        MadeArchive{"TarGzLastFileWins", "tar czf a.arc one.bin two.txt", "two.txt"},
        MadeArchive{"TarGzLinkSkipped", "python3 " "\"$MAKE\"" " tar-link a.arc two.txt", "two.txt"},
        MadeArchive{"ZipInfoZip", "zip -q a.zip one.bin && mv a.zip a.arc", "one.bin"},
        MadeArchive{"ZipInfoZipWithFolder", "zip -qr a.zip sub one.bin && mv a.zip a.arc", "one.bin"},
        // Entry data longer than any read window, and a directory found
        // behind a long comment read backwards from the end.
        MadeArchive{"ZipLargeEntry", "for i in 1 2 3 4 5; do cat one.bin; done > big && zip -q a.zip two.txt big && "
                                     "mv a.zip a.arc",
                    "big"},
        MadeArchive{"ZipLongComment", "zip -q a.zip one.bin && head -c 60000 /dev/urandom | base64 -w 0 | "
                                      "head -c 60000 | zip -qz a.zip && mv a.zip a.arc",
                    "one.bin"},
        MadeArchive{"ZipPythonDos", "python3 \"$MAKE\" zip-dos a.arc one.bin", "one.bin"},
        MadeArchive{"ZipPythonDosZeroStored", "python3 \"$MAKE\" zip-dos-zero a.arc one.bin", "one.bin"},
        MadeArchive{"ZipPythonUnix", "python3 \"$MAKE\" zip-unix a.arc two.txt", "two.txt"}),
    [](const auto& info) { return std::string(info.param.label); });

// The archive kind is decided by content, not by name.
TEST_F(ArchiveTest, KindsAreRecognisedByContent) {
  Shell("gzip -c one.bin > g.zip && tar czf t.gz one.bin && zip -q z.tgz one.bin");
  CArchiveReader reader;
  ASSERT_EQ(reader.Open(Win("g.zip")), 1);
  EXPECT_EQ(reader.Kind(), CArchiveReader::kKindGzip);
  ASSERT_EQ(reader.Open(Win("t.gz")), 1);
  EXPECT_EQ(reader.Kind(), CArchiveReader::kKindTarGz);
  ASSERT_EQ(reader.Open(Win("z.tgz")), 1);
  EXPECT_EQ(reader.Kind(), CArchiveReader::kKindZip);
}

TEST_F(ArchiveTest, ReaderWalksTarMembersInAnyOrder) {
  Shell("tar czf a.tgz sub one.bin two.txt");
  CArchiveReader reader;
  ASSERT_EQ(reader.Open(Win("a.tgz")), 1);
  ASSERT_EQ(reader.Count(), 4);  // sub/, sub/in.txt, one.bin, two.txt
  struct Expect {
    int index;
    const char* name;
    bool isFile;
    const char* source;
  };
  // Backwards and forwards, so the reader has to rewind and skip.
  for (Expect e : {Expect{3, "two.txt", true, "two.txt"}, Expect{0, "sub/", false, nullptr},
                   Expect{2, "one.bin", true, "one.bin"}, Expect{1, "sub/in.txt", true, "sub/in.txt"},
                   Expect{3, "two.txt", true, "two.txt"}}) {
    CMemoryArchiveSink sink;
    CArchiveMember member;
    ASSERT_EQ(reader.GetFile(e.index, sink, member), 1) << e.index;
    EXPECT_EQ(member.m_strName, e.name);
    EXPECT_EQ(member.m_bIsFile, e.isFile);
    if (e.source != nullptr) {
      EXPECT_EQ(std::string(sink.m_data.begin(), sink.m_data.end()), ReadHostFile(Host(e.source)));
    }
  }
  // The end-of-archive block is no valid header: asking for it fails
  // quietly, walking past it fails with a reason.
  CMemoryArchiveSink sink;
  CArchiveMember member;
  EXPECT_EQ(reader.GetFile(4, sink, member), 0);
  EXPECT_EQ(reader.LastError(), "");
  EXPECT_EQ(reader.GetFile(5, sink, member), 0);
  EXPECT_EQ(reader.LastError(), "Invalid file position !");
}

TEST_F(ArchiveTest, ReaderReportsZipEntriesWithTheirFileBit) {
  Shell("zip -qr a.zip sub two.txt");
  CArchiveReader reader;
  ASSERT_EQ(reader.Open(Win("a.zip")), 1);
  ASSERT_EQ(reader.Count(), 3);
  std::vector<std::pair<std::string, bool>> seen;
  for (int i = 2; i >= 0; --i) {
    CMemoryArchiveSink sink;
    CArchiveMember member;
    ASSERT_EQ(reader.GetFile(i, sink, member), 1);
    seen.emplace_back(member.m_strName, member.m_bIsFile);
  }
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{
                      {"two.txt", true}, {"sub/in.txt", true}, {"sub/", false}}));
}

TEST_F(ArchiveTest, UnopenedAndClosedReaderSayNotOpened) {
  CArchiveReader reader;
  EXPECT_EQ(reader.Count(), -1);
  EXPECT_EQ(reader.LastError(), "Archive not opened");
  Shell("gzip -c two.txt > a.gz");
  ASSERT_EQ(reader.Open(Win("a.gz")), 1);
  reader.Close();
  EXPECT_EQ(reader.LastError(), "");
  CMemoryArchiveSink sink;
  CArchiveMember member;
  EXPECT_EQ(reader.GetFile(0, sink, member), 0);
  EXPECT_EQ(reader.LastError(), "Archive not opened");
}

struct FailingArchive {
  const char* label;
  const char* command;  // makes "a.arc"
  int code;
  const char* openError;  // the reader's text when Open fails, else nullptr
};

void PrintTo(const FailingArchive& a, std::ostream* os) { *os << a.label; }

class ArchiveFailsTest : public ArchiveTest, public ::testing::WithParamInterface<FailingArchive> {};

// A failure never leaves a target or a partial temporary file behind, and a
// target that was there before keeps its bytes.
TEST_P(ArchiveFailsTest, EndsInItsCodeAndKeepsTheOldTarget) {
  Shell(GetParam().command);
  Shell("printf 'previous' > out.bin");
  EXPECT_EQ(ExtractArchive(Win("a.arc"), "out.bin"), GetParam().code);
  EXPECT_EQ(ReadHostFile(Host("out.bin")), "previous");
  EXPECT_FALSE(std::filesystem::exists(Host("~out.bin.vamo-part")));
  if (GetParam().openError != nullptr) {
    CArchiveReader reader;
    EXPECT_EQ(reader.Open(Win("a.arc")), 0);
    EXPECT_EQ(reader.LastError(), GetParam().openError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ArchiveFailsTest,
    ::testing::Values(
        FailingArchive{"PlainText", "cp two.txt a.arc", utility_codes::kArchiveOpenFailed,
                       "Could not determine archive type !"},
        FailingArchive{"EmptyFile", ": > a.arc", utility_codes::kArchiveOpenFailed, "Could not determine archive type !"},
        FailingArchive{"GzipDamagedHeader", "printf '\\037\\213\\010\\377garbage' > a.arc",
                       utility_codes::kArchiveOpenFailed, "Could not read data from gzip archive !"},
        FailingArchive{"ZipOnlyFolder", "python3 \"$MAKE\" zip-unix-dir-only a.arc", utility_codes::kArchiveNoFileMember,
                       nullptr},
        FailingArchive{"ZipEmpty", "python3 \"$MAKE\" zip-empty a.arc", utility_codes::kArchiveOpenFailed,
                       "Could not determine archive type !"},
        FailingArchive{"TarOnlyFolder", "tar czf a.arc --no-recursion sub/", utility_codes::kArchiveNoFileMember, nullptr},
        FailingArchive{"ZipOverlappingEntries", "python3 \"$MAKE\" zip-overlap a.arc", utility_codes::kArchiveOpenFailed,
                       "Could not get files from the archive !"},
        FailingArchive{"GzipTruncated", "gzip -c one.bin | head -c 200000 > a.arc",
                       utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"GzipBadCrc",
                       "gzip -c one.bin > g && python3 -c \"import sys;d=bytearray(open('g','rb').read());"
                       "d[-8]^=1;open('a.arc','wb').write(d)\"",
                       utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"GzipSecondMemberCut", "gzip -c one.bin > a.arc && gzip -c one.bin | head -c 5000 >> a.arc",
                       utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"GzipSecondMemberDamaged", "gzip -c one.bin > a.arc && printf '\\037\\213\\010\\377x' >> a.arc",
                       utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"TarGzTruncated", "tar czf - one.bin | head -c 150000 > a.arc",
                       utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"TarHugeSize", "python3 \"$MAKE\" tar-huge a.arc", utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"TarShortData", "python3 \"$MAKE\" tar-short a.arc", utility_codes::kArchiveMemberUnreadable, nullptr},
        FailingArchive{"ZipBadCrc",
                       "zip -q0 z one.bin && python3 -c \"d=bytearray(open('z.zip','rb').read());"
                       "i=d.find(b'one.bin')+7+1000;d[i]^=1;open('a.arc','wb').write(d)\"",
                       utility_codes::kArchiveMemberUnreadable, nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

// A member larger than the budget (in production: the volume's free space
// less the margin) is refused before it fills the disk.
TEST_F(ArchiveTest, DecompressionBombStopsAtTheBudget) {
  Shell("head -c 20000000 /dev/zero | gzip -9 > bomb.gz && head -c 20000000 /dev/zero > z && "
        "zip -q9 bomb.zip z && head -c 20000000 /dev/zero > big && tar czf bomb.tgz big");
  CExtractLimits limits;
  limits.m_nMaxMemberBytes = 1 << 20;
  for (const char* bomb : {"bomb.gz", "bomb.zip", "bomb.tgz"}) {
    EXPECT_EQ(ExtractArchive(Win(bomb), "out.bin", limits), utility_codes::kArchiveMemberUnreadable) << bomb;
    EXPECT_FALSE(std::filesystem::exists(Host("out.bin"))) << bomb;
    EXPECT_FALSE(std::filesystem::exists(Host("~out.bin.vamo-part"))) << bomb;
  }
  // The same archives fit a budget of their size.
  limits.m_nMaxMemberBytes = 20000000;
  EXPECT_EQ(ExtractArchive(Win("bomb.gz"), "out.bin", limits), 0);
  EXPECT_EQ(std::filesystem::file_size(Host("out.bin")), 20000000u);
  // The free-space rule: a margin larger than any disk leaves no budget.
  CExtractLimits noRoom;
  noRoom.m_nFreeSpaceMargin = UINT64_MAX;
  EXPECT_EQ(ExtractArchive(Win("bomb.gz"), "out2.bin", noRoom), utility_codes::kArchiveMemberUnreadable);
}

// The archive is opened by its Windows name, whatever characters it holds.
TEST_F(ArchiveTest, ArchivesInFoldersWithNonAsciiNamesExtract) {
  const std::string folder = "\xC3\x9C\x62ung \xE6\xBC\xA2\xE5\xAD\x97";  // "Übung 漢字"
  std::filesystem::create_directories(Host(folder));
  Shell("cd '" + folder + "' && gzip -c ../one.bin > a.gz && tar czf a.tgz -C .. one.bin && zip -qj a.zip ../one.bin");
  for (const char* name : {"a.gz", "a.tgz", "a.zip"}) {
    EXPECT_EQ(ExtractArchive(Win(folder + "\\" + name), "out.bin"), 0) << name;
    EXPECT_EQ(ReadHostFile(Host(folder + "/out.bin")), ReadHostFile(Host("one.bin"))) << name;
  }
}

TEST_F(ArchiveTest, TargetThatCannotBeCreatedGives9038) {
  Shell("gzip -c two.txt > a.gz");
  EXPECT_EQ(ExtractArchive(Win("a.gz"), "missing\\out.bin"), utility_codes::kArchiveTargetFailed);
  EXPECT_EQ(ExtractArchive("C:\\arc\\nothere.gz", "out.bin"), utility_codes::kArchiveOpenFailed);
}

struct ZipAttributeCase {
  const char* name;
  uint32_t external;
  uint16_t madeBy;
  bool isFile;
  bool isFolder;
};

void PrintTo(const ZipAttributeCase& c, std::ostream* os) {
  *os << c.name << " " << std::hex << c.external << " " << c.madeBy;
}

class ZipAttributeTest : public ::testing::TestWithParam<ZipAttributeCase> {};

TEST_P(ZipAttributeTest, FileBitFollowsTheEntryType) {
  const ZipAttributeCase& c = GetParam();
  uint32_t attributes = CArchiveReader::MapZipAttributes(c.name, c.external, c.madeBy);
  EXPECT_EQ((attributes & 0x80) != 0, c.isFile);
  EXPECT_EQ((attributes & 0x10) != 0, c.isFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Mapping, ZipAttributeTest,
    ::testing::Values(ZipAttributeCase{"a.txt", 0x00, 0x0014, true, false},              // DOS, nothing set
                      ZipAttributeCase{"a.txt", 0x20, 0x0014, true, false},              // DOS archive bit
                      ZipAttributeCase{"a.txt", 0x01, 0x0014, true, false},              // DOS read-only
                      ZipAttributeCase{"a.txt", 0x81A40000, 0x031E, true, false},        // Unix 0100644
                      ZipAttributeCase{"a.txt", 0x81ED0000, 0x031E, true, false},        // Unix 0100755
                      ZipAttributeCase{"d/", 0x00, 0x0014, false, true},                // name ends in /
                      ZipAttributeCase{"d\\", 0x00, 0x0014, false, true},               // name ends in \ .
                      ZipAttributeCase{"d", 0x10, 0x0014, false, true},                 // DOS folder bit
                      ZipAttributeCase{"d", 0x41ED0000, 0x031E, false, true},           // Unix 040755
                      ZipAttributeCase{"link", 0xA1FF0000, 0x031E, false, false},        // Unix symlink
                      ZipAttributeCase{"odd", 0xA1FF0000, 0x0014, true, false}));        // mode ignored off Unix

}  // namespace
