// The files service as Windows defines it: paths, errors, sharing, atomic
// replacement and folder listings, the same against either backend.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/fs/DirectoryList.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "tests/support/ScratchSpace.h"
#include "tests/support/Wine.h"

namespace {

using namespace platform;

// The error of a failed call; 0 when it succeeded.
template <typename T>
Win32Error ErrorOf(const std::expected<T, Win32Error>& result) {
  return result ? kErrorSuccess : result.error();
}

struct FilesContract : ::testing::Test {
  std::string P(std::string_view name) const { return scratch.PathOf(name); }
  void Write(std::string_view name, std::string_view bytes) {
    ASSERT_EQ(fs::WriteFileAtomic(P(name), bytes), kErrorSuccess) << name;
  }
  std::string Read(std::string_view name) const {
    auto bytes = fs::ReadFileBytes(P(name));
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<error " + std::to_string(bytes.error()) + ">";
  }
  // The names in a folder of the scratch space ("" for its top), in order.
  std::vector<std::string> Names(std::string_view folder = "") const {
    std::vector<std::string> names;
    auto entries = fs::ListDirectory(folder.empty() ? scratch.Folder() : P(folder));
    if (!entries) return {"<error " + std::to_string(entries.error()) + ">"};
    for (const auto& entry : *entries) names.push_back(entry.name);
    return names;
  }
  ScratchSpace scratch;
};

TEST_F(FilesContract, CreatesFoldersLevelByLevel) {
  EXPECT_EQ(fs::MakeDirectory(P("one\\two")), kErrorPathNotFound);
  EXPECT_EQ(fs::MakeDirectory(P("one")), kErrorSuccess);
  EXPECT_EQ(fs::MakeDirectory(P("ONE")), kErrorAlreadyExists);
  EXPECT_EQ(fs::CreateDirectoryPath(P("one\\two\\three")), kErrorSuccess);
  EXPECT_TRUE(fs::DirectoryExists(P("One\\Two\\Three")));
  EXPECT_FALSE(fs::FileExists(P("one\\two")));
  // A file where a folder should be stops the path.
  Write("one\\file", "x");
  EXPECT_NE(fs::CreateDirectoryPath(P("one\\file\\below")), kErrorSuccess);
  EXPECT_EQ(fs::CreateDirectoryPath(P("one\\file")), kErrorAlreadyExists);
}

TEST_F(FilesContract, WritesAndReadsExactBytes) {
  std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_EQ(fs::WriteFileAtomic(P("f.bin"), bytes), kErrorSuccess);
  auto read = fs::ReadFileBytes(P("F.BIN"));
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(read->begin(), read->end()), bytes);
  EXPECT_TRUE(fs::FileExists(P("f.bin")));
  EXPECT_TRUE(fs::CanReadWrite(P("f.bin")));
}

TEST_F(FilesContract, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
  Write("keep.txt", "old");
  Write("keep.txt", "new");
  EXPECT_EQ(Read("keep.txt"), "new");
  EXPECT_EQ(fs::WriteFileAtomic(P("no\\file.txt"), "x"), kErrorPathNotFound);
  EXPECT_EQ(Names(), std::vector<std::string>{"keep.txt"});
}

TEST_F(FilesContract, ReadRefusesAFolder) {
  ASSERT_EQ(fs::MakeDirectory(P("folder")), kErrorSuccess);
  EXPECT_EQ(fs::ReadFileBytes(P("folder")).error(), kErrorAccessDenied);
  fs::FileStream stream;
  EXPECT_EQ(stream.Open(P("folder"), fs::FileMode::kRead), kErrorAccessDenied);
  EXPECT_EQ(stream.Open(P("folder"), fs::FileMode::kReadFile), kErrorAccessDenied);
  EXPECT_FALSE(stream.IsOpen());
}

// Windows tells a missing file (2) from a missing folder on the way (3),
// whichever call meets it.
struct MissingCase {
  const char* name;
  std::function<Win32Error(const std::string&)> call;
};

struct MissingNames : FilesContract, ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingNames, ReportFileOrPathNotFound) {
  EXPECT_EQ(GetParam().call(P("missing.txt")), kErrorFileNotFound);
  EXPECT_EQ(GetParam().call(P("no\\missing.txt")), kErrorPathNotFound);
}

Win32Error OpenError(const std::string& path, fs::FileMode mode) {
  fs::FileStream stream;
  return stream.Open(path, mode);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, MissingNames,
    ::testing::Values(
        MissingCase{"ReadFileBytes", [](const std::string& p) { return ErrorOf(fs::ReadFileBytes(p)); }},
        MissingCase{"OpenRead", [](const std::string& p) { return OpenError(p, fs::FileMode::kRead); }},
        MissingCase{"OpenReadFile", [](const std::string& p) { return OpenError(p, fs::FileMode::kReadFile); }},
        MissingCase{"OpenAppend", [](const std::string& p) { return OpenError(p, fs::FileMode::kAppend); }},
        MissingCase{"GetAttributes", [](const std::string& p) { return ErrorOf(fs::GetAttributes(p)); }},
        MissingCase{"SetAttributes",
                    [](const std::string& p) { return fs::SetAttributes(p, fs::kFileAttributeNormal); }},
        MissingCase{"DeleteFileAt", [](const std::string& p) { return fs::DeleteFileAt(p); }},
        MissingCase{"RemoveFile", [](const std::string& p) { return fs::RemoveFile(p); }},
        MissingCase{"CopyFileToFrom", [](const std::string& p) { return fs::CopyFileTo(p, p + ".copy", false); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct CopyErrorCase {
  const char* label;
  const char* source;
  const char* target;
  Win32Error error;
};

struct CopyErrorTest : FilesContract, ::testing::WithParamInterface<CopyErrorCase> {};

TEST_P(CopyErrorTest, ReportsTheWindowsErrorAndLeavesNothingBehind) {
  ASSERT_EQ(fs::CreateDirectoryPath(P("Data\\Sub")), kErrorSuccess);
  Write("Data\\file.txt", "data");
  Write("Data\\Sub\\inner.txt", "inner");
  const CopyErrorCase& c = GetParam();
  EXPECT_EQ(fs::CopyFileTo(P(c.source), P(c.target), false), c.error);
  EXPECT_EQ(Read("Data\\file.txt"), "data");
  EXPECT_EQ(Names("Data"), (std::vector<std::string>{"file.txt", "Sub"}));
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CopyErrorTest,
    ::testing::Values(CopyErrorCase{"MissingSource", "Data\\none.txt", "Data\\x.txt", kErrorFileNotFound},
                      CopyErrorCase{"MissingSourceFolder", "None\\a.txt", "Data\\x.txt", kErrorPathNotFound},
                      CopyErrorCase{"MissingTargetFolder", "Data\\file.txt", "None\\x.txt", kErrorPathNotFound},
                      CopyErrorCase{"SourceIsFolder", "Data\\Sub", "Data\\x.txt", kErrorAccessDenied},
                      CopyErrorCase{"TargetIsFolder", "Data\\file.txt", "Data\\Sub", kErrorAccessDenied}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FilesContract, CopyReplacesTheTargetUnlessToldNotTo) {
  Write("tool", "#!/bin/sh\n");
  Write("copy", "old copy");
  ASSERT_EQ(fs::CopyFileTo(P("tool"), P("copy"), false), kErrorSuccess);
  EXPECT_EQ(Read("copy"), "#!/bin/sh\n");
  EXPECT_EQ(fs::CopyFileTo(P("tool"), P("copy"), true), kErrorFileExists);
  EXPECT_EQ(Names(), (std::vector<std::string>{"copy", "tool"}));
}

// The read-only attribute is honoured: deleting or overwriting the file is
// refused until it is cleared, and the refused copy leaves nothing behind.
TEST_F(FilesContract, ReadOnlyFileIsRefusedUntilCleared) {
  Write("new.txt", "new");
  Write("file.txt", "data");
  ASSERT_EQ(fs::SetAttributes(P("file.txt"), fs::kFileAttributeReadOnly), kErrorSuccess);
  ASSERT_TRUE(fs::GetAttributes(P("file.txt")));
  EXPECT_TRUE(*fs::GetAttributes(P("file.txt")) & fs::kFileAttributeReadOnly);
  EXPECT_FALSE(*fs::GetAttributes(P("file.txt")) & fs::kFileAttributeDirectory);
  EXPECT_EQ(fs::DeleteFileAt(P("file.txt")), kErrorAccessDenied);
  EXPECT_EQ(fs::CopyFileTo(P("new.txt"), P("file.txt"), false), kErrorAccessDenied);
  EXPECT_EQ(Read("file.txt"), "data");
  EXPECT_EQ(Names(), (std::vector<std::string>{"file.txt", "new.txt"}));
  // A copy carries the attribute over, as CopyFileW does.
  ASSERT_EQ(fs::CopyFileTo(P("file.txt"), P("copy.txt"), false), kErrorSuccess);
  EXPECT_TRUE(*fs::GetAttributes(P("copy.txt")) & fs::kFileAttributeReadOnly);
  EXPECT_EQ(Read("copy.txt"), "data");

  ASSERT_EQ(fs::SetAttributes(P("file.txt"), fs::kFileAttributeNormal), kErrorSuccess);
  EXPECT_FALSE(*fs::GetAttributes(P("file.txt")) & fs::kFileAttributeReadOnly);
  EXPECT_EQ(fs::CopyFileTo(P("new.txt"), P("file.txt"), false), kErrorSuccess);
  EXPECT_EQ(Read("file.txt"), "new");
  EXPECT_EQ(fs::DeleteFileAt(P("file.txt")), kErrorSuccess);
  EXPECT_FALSE(fs::FileExists(P("file.txt")));
  EXPECT_TRUE(*fs::GetAttributes(scratch.Folder()) & fs::kFileAttributeDirectory);
}

// Windows moves nothing over a read-only file (ERROR_ACCESS_DENIED), so an
// atomic write or a replace refuses it as a copy does.
TEST_F(FilesContract, AReadOnlyFileIsNotReplacedByAMove) {
  SKIP_UNDER_WINE("MoveFileExW of Wine 8 replaces a read-only target that Windows refuses");
  Write("new.txt", "new");
  Write("file.txt", "data");
  ASSERT_EQ(fs::SetAttributes(P("file.txt"), fs::kFileAttributeReadOnly), kErrorSuccess);
  EXPECT_EQ(fs::ReplaceFileWith(P("new.txt"), P("file.txt")), kErrorAccessDenied);
  EXPECT_EQ(fs::WriteFileAtomic(P("file.txt"), "atomic"), kErrorAccessDenied);
  EXPECT_EQ(Read("file.txt"), "data");
  EXPECT_EQ(Names(), (std::vector<std::string>{"file.txt", "new.txt"}));
  ASSERT_EQ(fs::SetAttributes(P("file.txt"), fs::kFileAttributeNormal), kErrorSuccess);
  EXPECT_EQ(fs::ReplaceFileWith(P("new.txt"), P("file.txt")), kErrorSuccess);
  EXPECT_EQ(Read("file.txt"), "new");
}

TEST_F(FilesContract, FoldersAreNotRemovedAsFilesNorFilesAsFolders) {
  ASSERT_EQ(fs::MakeDirectory(P("Sub")), kErrorSuccess);
  Write("Sub\\inner.txt", "x");
  EXPECT_EQ(fs::RemoveFile(P("Sub")), kErrorAccessDenied);
  EXPECT_EQ(fs::DeleteFileAt(P("Sub")), kErrorAccessDenied);
  EXPECT_EQ(fs::RemoveEmptyDirectory(P("Sub")), kErrorDirNotEmpty);
  EXPECT_EQ(fs::RemoveEmptyDirectory(P("Sub\\inner.txt")), kErrorDirectory);
  EXPECT_EQ(fs::RemoveFile(P("Sub\\inner.txt")), kErrorSuccess);
  EXPECT_EQ(fs::RemoveEmptyDirectory(P("Sub")), kErrorSuccess);
  EXPECT_FALSE(fs::DirectoryExists(P("Sub")));
}

// The share modes of FileStream: a file being written is nobody else's, a
// file being read may be read by others but not rewritten.
TEST_F(FilesContract, AFileBeingWrittenIsNotSharedAndAFileBeingReadNotRewritten) {
  Write("source.txt", "source");
  fs::FileStream writer;
  ASSERT_EQ(writer.Open(P("held.txt"), fs::FileMode::kCreate), kErrorSuccess);
  ASSERT_EQ(writer.Write(std::string_view("partial")), kErrorSuccess);
  fs::FileStream other;
  EXPECT_EQ(other.Open(P("held.txt"), fs::FileMode::kRead), kErrorSharingViolation);
  EXPECT_EQ(other.Open(P("held.txt"), fs::FileMode::kAppend), kErrorSharingViolation);
  EXPECT_EQ(other.Open(P("held.txt"), fs::FileMode::kCreate), kErrorSharingViolation);
  EXPECT_EQ(ErrorOf(fs::ReadFileBytes(P("held.txt"))), kErrorSharingViolation);
  EXPECT_EQ(fs::DeleteFileAt(P("held.txt")), kErrorSharingViolation);
  EXPECT_EQ(fs::CopyFileTo(P("source.txt"), P("held.txt"), false), kErrorSharingViolation);
  EXPECT_EQ(fs::CopyFileTo(P("held.txt"), P("copy.txt"), false), kErrorSharingViolation);
  ASSERT_EQ(writer.Close(), kErrorSuccess);
  EXPECT_EQ(Read("held.txt"), "partial");
  EXPECT_EQ(Names(), (std::vector<std::string>{"held.txt", "source.txt"}));

  fs::FileStream reader;
  ASSERT_EQ(reader.Open(P("held.txt"), fs::FileMode::kRead), kErrorSuccess);
  EXPECT_EQ(other.Open(P("held.txt"), fs::FileMode::kReadFile), kErrorSuccess);
  EXPECT_EQ(Read("held.txt"), "partial");
  fs::FileStream rewriter;
  EXPECT_EQ(rewriter.Open(P("held.txt"), fs::FileMode::kCreate), kErrorSharingViolation);
  EXPECT_EQ(rewriter.Open(P("held.txt"), fs::FileMode::kAppend), kErrorSharingViolation);
  EXPECT_EQ(Read("held.txt"), "partial");
}

TEST_F(FilesContract, StreamReadsSeeksAndAppendsAtTheEnd) {
  Write("log.txt", "0123456789");
  fs::FileStream stream;
  ASSERT_EQ(stream.Open(P("log.txt"), fs::FileMode::kAppend), kErrorSuccess);
  ASSERT_EQ(stream.Seek(2), kErrorSuccess);
  uint8_t buffer[4];
  ASSERT_EQ(stream.Read(buffer).value_or(0), 4u);
  EXPECT_EQ(std::string(buffer, buffer + 4), "2345");
  ASSERT_EQ(stream.Seek(0), kErrorSuccess);
  EXPECT_EQ(stream.Write(std::string_view("ab")), kErrorSuccess);  // lands at the end all the same
  EXPECT_EQ(stream.Size().value_or(0), 12u);
  EXPECT_EQ(stream.Flush(), kErrorSuccess);
  EXPECT_EQ(stream.Close(), kErrorSuccess);
  EXPECT_EQ(Read("log.txt"), "0123456789ab");

  ASSERT_EQ(stream.Open(P("log.txt"), fs::FileMode::kCreate), kErrorSuccess);
  EXPECT_EQ(stream.Size().value_or(99), 0u);
  EXPECT_EQ(stream.Write(std::string_view("x")), kErrorSuccess);
  ASSERT_EQ(stream.Close(), kErrorSuccess);
  EXPECT_EQ(Read("log.txt"), "x");
  EXPECT_EQ(ErrorOf(stream.Read(buffer)), kErrorInvalidHandle);
}

TEST_F(FilesContract, CreateNewRefusesATakenName) {
  Write("taken", "x");
  fs::FileStream stream;
  EXPECT_EQ(stream.Open(P("taken"), fs::FileMode::kCreateNew), kErrorFileExists);
  EXPECT_EQ(Read("taken"), "x");
  ASSERT_EQ(stream.Open(P("fresh"), fs::FileMode::kCreateNew), kErrorSuccess);
  EXPECT_EQ(stream.Write(std::string_view("abc")), kErrorSuccess);
}

// Accepts or refuses what it saw, and remembers it.
class RecordingCheck : public fs::CopyCheck {
 public:
  explicit RecordingCheck(bool bAccept) : m_bAccept(bAccept) {}
  void Update(std::span<const uint8_t> bytes) override { seen.append(bytes.begin(), bytes.end()); }
  bool Accept() override { return m_bAccept; }
  std::string seen;

 private:
  bool m_bAccept;
};

TEST_F(FilesContract, CopiesTheOpenFileFromItsStart) {
  ASSERT_EQ(fs::MakeDirectory(P("Src")), kErrorSuccess);
  Write("Src\\a.dll", "0123456789");
  fs::FileStream source;
  ASSERT_EQ(source.Open(P("Src\\a.dll"), fs::FileMode::kRead), kErrorSuccess);
  uint8_t skip[4];
  ASSERT_EQ(source.Read(skip).value_or(0), 4u);  // wherever the caller left it
  // The name is moved away while the file is open; the open one is what
  // gets copied.
  ASSERT_EQ(fs::ReplaceFileWith(P("Src\\a.dll"), P("Src\\moved.dll")), kErrorSuccess);
  Write("Src\\a.dll", "replaced");

  RecordingCheck check(true);
  ASSERT_EQ(fs::CopyFileFrom(source, P("Dst\\a.dll"), &check), kErrorPathNotFound) << "no target folder";
  ASSERT_EQ(fs::MakeDirectory(P("Dst")), kErrorSuccess);
  ASSERT_EQ(fs::CopyFileFrom(source, P("Dst\\a.dll"), &check), kErrorSuccess);
  EXPECT_EQ(Read("Dst\\a.dll"), "0123456789");
  EXPECT_EQ(check.seen, "0123456789");
}

TEST_F(FilesContract, ARefusedCopyLeavesTheTargetAndNoTemporaryFile) {
  ASSERT_EQ(fs::MakeDirectory(P("Src")), kErrorSuccess);
  ASSERT_EQ(fs::MakeDirectory(P("Dst")), kErrorSuccess);
  Write("Src\\a.dll", "new bytes");
  Write("Dst\\a.dll", "old bytes");
  fs::FileStream source;
  ASSERT_EQ(source.Open(P("Src\\a.dll"), fs::FileMode::kRead), kErrorSuccess);
  RecordingCheck refuse(false);
  EXPECT_EQ(fs::CopyFileFrom(source, P("Dst\\a.dll"), &refuse), kErrorInvalidData);
  EXPECT_EQ(Read("Dst\\a.dll"), "old bytes");
  EXPECT_EQ(Names("Dst"), std::vector<std::string>{"a.dll"});
  EXPECT_EQ(refuse.seen, "new bytes");

  // The refusals of CopyFile apply as well: a read-only target stays.
  ASSERT_EQ(fs::SetAttributes(P("Dst\\a.dll"), fs::kFileAttributeReadOnly), kErrorSuccess);
  EXPECT_EQ(fs::CopyFileFrom(source, P("Dst\\a.dll"), nullptr), kErrorAccessDenied);
  EXPECT_EQ(Names("Dst"), std::vector<std::string>{"a.dll"});
  fs::FileStream closed;
  EXPECT_EQ(fs::CopyFileFrom(closed, P("Dst\\b.dll"), nullptr), kErrorInvalidHandle);
}

// NTFS hands names out sorted by their upper-cased form, so "_x" (0x5F)
// comes after the letters; patterns match without case.
TEST_F(FilesContract, ListsInNtfsOrderAndMatchesWildcards) {
  for (const char* name : {"b.dat", "_x.dat", "A.txt", "c.DEFAULT", "bb.dat"}) Write(name, "x");
  ASSERT_EQ(fs::MakeDirectory(P("Sub")), kErrorSuccess);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.txt", "b.dat", "bb.dat", "c.DEFAULT", "Sub", "_x.dat"}));

  auto list = [&](std::string_view pattern) {
    std::vector<std::string> names;
    auto entries = fs::ListDirectory(scratch.Folder(), pattern);
    if (!entries) return std::vector<std::string>{"<error " + std::to_string(entries.error()) + ">"};
    for (const auto& entry : *entries) names.push_back(entry.name + (entry.isDirectory ? "\\" : ""));
    return names;
  };
  EXPECT_EQ(list("*.default"), std::vector<std::string>{"c.DEFAULT"});
  EXPECT_EQ(list("?.DAT"), (std::vector<std::string>{"b.dat"}));
  EXPECT_EQ(list("*b*"), (std::vector<std::string>{"b.dat", "bb.dat", "Sub\\"}));
  EXPECT_EQ(list("nothing*"), std::vector<std::string>{});
  EXPECT_EQ(fs::ListDirectory(P("Sub"))->size(), 0u);
  EXPECT_EQ(fs::ListDirectory(P("None")).error(), kErrorPathNotFound);
}

TEST_F(FilesContract, DiskFreeIsKnownForExistingAndNewNames) {
  auto folder = fs::GetDiskFreeBytes(scratch.Folder());
  ASSERT_TRUE(folder) << folder.error();
  EXPECT_GT(*folder, 0u);
  // A file that does not exist yet lives on the volume of its folder.
  auto newFile = fs::GetDiskFreeBytes(P("not\\yet\\there.bin"));
  ASSERT_TRUE(newFile) << newFile.error();
  EXPECT_GT(*newFile, 0u);
}

TEST(PathSplit, SplitsLikeWsplitpath) {
  platform::SplitPath split = platform::SplitWindowsPath("C:\\Temp\\VamoPlugin\\a.b.dll");
  EXPECT_EQ(split.drive, "C:");
  EXPECT_EQ(split.dir, "\\Temp\\VamoPlugin\\");
  EXPECT_EQ(split.fname, "a.b");
  EXPECT_EQ(split.ext, ".dll");
  split = platform::SplitWindowsPath("http://host.test/files/VamoSetup_1.0.1.7.ver");
  EXPECT_EQ(split.fname, "VamoSetup_1.0.1.7");
  EXPECT_EQ(split.ext, ".ver");
  split = platform::SplitWindowsPath("noext");
  EXPECT_EQ(split.drive, "");
  EXPECT_EQ(split.fname, "noext");
  EXPECT_EQ(split.ext, "");
  EXPECT_EQ(platform::JoinWindowsPath("C:\\a\\", "\\b"), "C:\\a\\b");
  EXPECT_EQ(platform::NormalizeWindowsPath("c:/a/../b/"), "C:\\b");
}

TEST_F(FilesContract, NormalizesAsGetFullPathNameDoes) {
  const std::string& folder = scratch.Folder();
  EXPECT_EQ(NormalizeWindowsPath(folder + "\\a\\.\\b\\..\\c\\"), folder + "\\a\\c");
  EXPECT_EQ(NormalizeWindowsPath(folder + "/a/b"), folder + "\\a\\b");
  EXPECT_EQ(NormalizeWindowsPath("c:\\"), "C:\\");
  EXPECT_EQ(NormalizeWindowsPath("C:\\..\\..\\x"), "C:\\x");
  EXPECT_EQ(NormalizeWindowsPath(""), "");
}

}  // namespace
