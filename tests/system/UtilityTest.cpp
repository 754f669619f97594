#include "system/Utility.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/Path.h"
#include "system/UtilityCodes.h"
#include "tests/support/TempPrefix.h"
#include "tests/system/SystemTestSupport.h"

namespace uc = utility_codes;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> FolderEntries(const std::string& hostFolder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(hostFolder)) names.push_back(entry.path().filename().string());
  return names;
}

struct UtilityTest : ::testing::Test {
  // A source outside the prefix (drive Z:), as a downloaded file would be.
  std::string Source(const std::string& bytes) {
    return platform::ToWindowsPath(sources.WriteFile("download.bin", bytes));
  }
  std::string Host(const std::string& windowsPath) { return platform::ToHostPath(windowsPath); }
  void WriteTarget(const std::string& windowsPath, const std::string& bytes) {
    fs::create_directories(fs::path(Host(windowsPath)).parent_path());
    ASSERT_EQ(platform::fs::WriteFileAtomic(windowsPath, bytes), platform::kErrorSuccess);
  }

  TempPrefix prefix;
  TraceLog trace;
  TempDir sources;
};

TEST_F(UtilityTest, CopyTracesItsArgumentsAndReplacesTheTarget) {
  std::string source = Source("new bytes");
  WriteTarget("C:\\Plugin\\a.dll", "old");
  EXPECT_EQ(CUtility::CopyFile(source, "C:\\Plugin", "C:\\Plugin\\a.dll"), uc::kSuccess);
  EXPECT_EQ(ReadHostFile(Host("C:\\Plugin\\a.dll")), "new bytes");
  EXPECT_TRUE(trace.Has("CUtility::CopyFile()"));
  EXPECT_TRUE(trace.Has("CUtility::CopyFile() Source [" + source + "]"));
  EXPECT_TRUE(trace.Has("CUtility::CopyFile() TargetPath [C:\\Plugin]"));
  EXPECT_TRUE(trace.Has("CUtility::CopyFile() Target [C:\\Plugin\\a.dll]"));
  EXPECT_EQ(FolderEntries(Host("C:\\Plugin")), std::vector<std::string>{"a.dll"});
}

TEST_F(UtilityTest, CopyClearsTheReadOnlyAttributeAndOverwrites) {
  WriteTarget("C:\\Plugin\\ro.dll", "old");
  ASSERT_EQ(chmod(Host("C:\\Plugin\\ro.dll").c_str(), 0444), 0);
  // The personality refuses a read-only target to everyone, root included.
  EXPECT_EQ(platform::fs::CopyFileTo(Source("x"), "C:\\Plugin\\ro.dll", false), platform::kErrorAccessDenied);

  EXPECT_EQ(CUtility::CopyFile(Source("new"), "C:\\Plugin", "C:\\Plugin\\ro.dll"), uc::kSuccess);
  EXPECT_EQ(ReadHostFile(Host("C:\\Plugin\\ro.dll")), "new");
}

TEST_F(UtilityTest, CopyCreatesTwoMissingFolderLevels) {
  ASSERT_FALSE(CUtility::FolderExists("C:\\Outer"));
  EXPECT_EQ(CUtility::CopyFile(Source("deep"), "C:\\Outer\\Inner", "C:\\Outer\\Inner\\f.ocx"), uc::kSuccess);
  EXPECT_TRUE(CUtility::FolderExists("C:\\Outer\\Inner"));
  EXPECT_EQ(ReadHostFile(Host("C:\\Outer\\Inner\\f.ocx")), "deep");
}

TEST_F(UtilityTest, CopyOntoARunningProgramIsASharingViolation) {
  WriteTarget("C:\\Bin\\placeholder", "");
  std::string program = Host("C:\\Bin\\runner.exe");
  CopyHostFile(VAMO_TEST_PROGRAM, program);
  std::string before = ReadHostFile(program);
  RunningProgram running("C:\\Bin\\runner.exe", "sleep 30");
  ASSERT_TRUE(running.Started());

  EXPECT_EQ(CUtility::CopyFile(Source("replacement"), "C:\\Bin", "C:\\Bin\\runner.exe"), uc::kSharingViolation);
  EXPECT_TRUE(trace.Has("CopyFile CopyFile Fail... [32][" + platform::SystemMessage(32) + "]"));
  EXPECT_EQ(ReadHostFile(program), before);
  running.End();
  EXPECT_EQ(CUtility::CopyFile(Source("replacement"), "C:\\Bin", "C:\\Bin\\runner.exe"), uc::kSuccess);
}

TEST_F(UtilityTest, CopyOntoAFileLockedByAnotherProcess) {
  WriteTarget("C:\\Plugin\\locked.dat", "old");
  {
    HeldLock shared(Host("C:\\Plugin\\locked.dat"), LOCK_SH);
    ASSERT_TRUE(shared.Locked());
    // Readers that share the file do not stand in the way.
    EXPECT_EQ(CUtility::CopyFile(Source("one"), "", "C:\\Plugin\\locked.dat"), uc::kSuccess);
  }
  HeldLock exclusive(Host("C:\\Plugin\\locked.dat"), LOCK_EX);
  ASSERT_TRUE(exclusive.Locked());
  EXPECT_EQ(CUtility::CopyFile(Source("two"), "", "C:\\Plugin\\locked.dat"), uc::kSharingViolation);
  EXPECT_EQ(ReadHostFile(Host("C:\\Plugin\\locked.dat")), "one");
}

TEST_F(UtilityTest, CopyFailuresNameTheirCause) {
  EXPECT_EQ(CUtility::CopyFile("C:\\nowhere\\missing.bin", "C:\\Plugin", "C:\\Plugin\\m.bin"), uc::kCopyFailed);
  EXPECT_TRUE(trace.Has("CopyFile CopyFile Fail... [3][" + platform::SystemMessage(3) + "]"));

  WriteTarget("C:\\Blocker", "a file where a folder should be");
  EXPECT_EQ(CUtility::CopyFile(Source("x"), "C:\\Blocker\\Sub", "C:\\Blocker\\Sub\\x.bin"), uc::kMakeFolderFailed);
  EXPECT_NE(trace.Text().find("CopyFile Makedirectory Fail... ["), std::string::npos);
}

TEST_F(UtilityTest, CopyOntoAFullFileSystemKeepsTheOldTarget) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempDir mountPoint;
  if (mount("tmpfs", mountPoint.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "tmpfs cannot be mounted here";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{mountPoint.Path()};

  std::string folder = platform::ToWindowsPath(mountPoint.Path());
  std::string target = folder + "\\plugin.dll";
  std::string old(4096, 'o');
  ASSERT_EQ(platform::fs::WriteFileAtomic(target, old), platform::kErrorSuccess);

  EXPECT_EQ(CUtility::CopyFile(Source(std::string(1 << 20, 'n')), folder, target), uc::kDiskFull);
  EXPECT_TRUE(trace.Has("CopyFile CopyFile Fail... [112][" + platform::SystemMessage(112) + "]"));
  EXPECT_EQ(ReadHostFile(mountPoint.Path() + "/plugin.dll"), old);
  EXPECT_EQ(FolderEntries(mountPoint.Path()), std::vector<std::string>{"plugin.dll"});
}

// The copy reads from a pipe that the test feeds, so the copying process is
// certainly in the middle of the file when it is killed.
TEST_F(UtilityTest, CopyKilledMidwayLeavesTheOldTargetWhole) {
  WriteTarget("C:\\Plugin\\big.dll", "the old library");
  std::string fifo = sources.Path() + "/stream";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  pid_t tool = fork();
  ASSERT_GE(tool, 0);
  if (tool == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    std::string source = platform::ToWindowsPath(fifo);
    execl(VAMO_TOOL_PATH, VAMO_TOOL_PATH, "copy", source.c_str(), "C:\\Plugin", "C:\\Plugin\\big.dll",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait for the tool to open its end; a tool that died early must fail the
  // test, not hang it.
  int writer = -1;
  for (int i = 0; i < 1000 && writer < 0; ++i) {
    writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) usleep(10 * 1000);
  }
  if (writer < 0) kill(tool, SIGKILL);
  ASSERT_GE(writer, 0) << "the copy never opened its source";
  fcntl(writer, F_SETFL, 0);
  std::string chunk(64 * 1024, 'n');
  for (int i = 0; i < 16; ++i) ASSERT_EQ(write(writer, chunk.data(), chunk.size()), ssize_t(chunk.size()));
  // All but the pipe's own buffer has been read and written by now.
  kill(tool, SIGKILL);
  int status = 0;
  waitpid(tool, &status, 0);
  close(writer);
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_EQ(ReadHostFile(Host("C:\\Plugin\\big.dll")), "the old library");
  EXPECT_EQ(FolderEntries(Host("C:\\Plugin")), std::vector<std::string>{"big.dll"});
}

struct DeleteCase {
  const char* label;
  std::function<std::string(UtilityTest&)> setup;  // returns the path to delete
  int code;
  const char* text;
};

struct DeleteTest : UtilityTest, ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteTest, MapsTheCauseToCodeAndText) {
  const DeleteCase& c = GetParam();
  std::string path = c.setup(*this);
  EXPECT_EQ(CUtility::DeleteFile(path), c.code);
  if (c.code == uc::kSuccess) {
    EXPECT_FALSE(CUtility::FileExists(path));
  } else {
    EXPECT_TRUE(trace.Has(std::string("CUtility::DeleteFile() Delete Fail...") + c.text + " [" + path + "]"))
        << trace.Text();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Causes, DeleteTest,
    ::testing::Values(
        DeleteCase{"Existing",
                   [](UtilityTest& t) {
                     t.WriteTarget("C:\\Plugin\\old.dll", "x");
                     return std::string("C:\\Plugin\\old.dll");
                   },
                   uc::kSuccess, ""},
        DeleteCase{"MissingFile",
                   [](UtilityTest& t) {
                     t.WriteTarget("C:\\Plugin\\other", "x");
                     return std::string("C:\\Plugin\\gone.dll");
                   },
                   uc::kFileNotFound, "The file could not be located."},
        DeleteCase{"MissingFolder", [](UtilityTest&) { return std::string("C:\\NoSuchFolder\\gone.dll"); },
                   uc::kBadPath, "All or part of the path is invalid."},
        DeleteCase{"Folder",
                   [](UtilityTest& t) {
                     t.WriteTarget("C:\\Plugin\\Sub\\f", "x");
                     return std::string("C:\\Plugin\\Sub");
                   },
                   uc::kAccessDenied, "The file could not be accessed."},
        DeleteCase{"ReadOnly",
                   [](UtilityTest& t) {
                     t.WriteTarget("C:\\Plugin\\ro.dll", "x");
                     chmod(t.Host("C:\\Plugin\\ro.dll").c_str(), 0444);
                     return std::string("C:\\Plugin\\ro.dll");
                   },
                   uc::kAccessDenied, "The file could not be accessed."}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(UtilityTest, DeleteOfAFileInUseIsASharingViolation) {
  WriteTarget("C:\\Plugin\\locked.dll", "x");
  {
    HeldLock lock(Host("C:\\Plugin\\locked.dll"), LOCK_EX);
    ASSERT_TRUE(lock.Locked());
    EXPECT_EQ(CUtility::DeleteFile("C:\\Plugin\\locked.dll"), uc::kSharingViolation);
    EXPECT_TRUE(trace.Has(
        "CUtility::DeleteFile() Delete Fail...SHARE.EXE was not loaded, or a shared region was locked. "
        "[C:\\Plugin\\locked.dll]"));
  }
  CopyHostFile(VAMO_TEST_PROGRAM, Host("C:\\Plugin\\viewer.exe"));
  RunningProgram running("C:\\Plugin\\viewer.exe", "sleep 30");
  ASSERT_TRUE(running.Started());
  EXPECT_EQ(CUtility::DeleteFile("C:\\Plugin\\viewer.exe"), uc::kSharingViolation);
  EXPECT_TRUE(CUtility::FileExists("C:\\Plugin\\viewer.exe"));
}

TEST_F(UtilityTest, MakeFolderPath) {
  EXPECT_EQ(CUtility::MakeFolderPath(""), uc::kBadPath);
  EXPECT_EQ(CUtility::MakeFolderPath("C:\\"), uc::kSuccess);
  EXPECT_EQ(CUtility::MakeFolderPath("C:\\One\\Two/Three\\"), uc::kSuccess);
  EXPECT_TRUE(CUtility::FolderExists("C:\\One\\Two\\Three"));
  WriteTarget("C:\\One\\File", "x");
  EXPECT_EQ(CUtility::MakeFolderPath("C:\\One\\File\\Below"), uc::kMakeFolderFailed);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
}

TEST_F(UtilityTest, AccessTestHonoursTheReadOnlyAttribute) {
  WriteTarget("C:\\Plugin\\rw.dat", "x");
  WriteTarget("C:\\Plugin\\ro.dat", "x");
  chmod(Host("C:\\Plugin\\ro.dat").c_str(), 0444);
  EXPECT_TRUE(CUtility::AccessTest("C:\\Plugin\\rw.dat"));
  EXPECT_FALSE(CUtility::AccessTest("C:\\Plugin\\ro.dat"));
  EXPECT_FALSE(CUtility::AccessTest("C:\\Plugin\\missing.dat"));
}

TEST_F(UtilityTest, To8BitUsesTheKoreanCodePage) {
  EXPECT_EQ(CUtility::To8Bit("plain"), "plain");
  EXPECT_EQ(CUtility::To8Bit("한글"), "\xC7\xD1\xB1\xDB");
  // A character the code page lacks becomes the default character.
  EXPECT_EQ(CUtility::To8Bit("a\xF0\x9F\x98\x80z"), "a?z");
}

// --- starting programs ---

struct ExecuteFailureCase {
  const char* label;
  std::function<std::string(UtilityTest&)> setup;  // returns the program path
  int code;
  const char* text;
};

struct ExecuteFailureTest : UtilityTest, ::testing::WithParamInterface<ExecuteFailureCase> {};

TEST_P(ExecuteFailureTest, ReturnsAtOnceWithTheMappedCode) {
  const ExecuteFailureCase& c = GetParam();
  std::string program = c.setup(*this);
  if (program.empty()) GTEST_SKIP() << "not applicable on this machine";
  EXPECT_EQ(CUtility::ExecuteWait(program, "a b"), c.code);
  EXPECT_EQ(CUtility::ExecuteWaitHook(program, ""), c.code);
  EXPECT_TRUE(trace.Has(std::string("CUtility::ExecuteWait() Fail...") + c.text + " [" + program + "]"))
      << trace.Text();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ExecuteFailureTest,
    ::testing::Values(
        ExecuteFailureCase{"MissingProgram",
                           [](UtilityTest& t) {
                             t.WriteTarget("C:\\Tools\\other", "");
                             return std::string("C:\\Tools\\missing.exe");
                           },
                           uc::kFileNotFound, "The specified file was not found. "},
        ExecuteFailureCase{"MissingFolder", [](UtilityTest&) { return std::string("C:\\NoTools\\setup.exe"); },
                           uc::kBadPath, "The specified path was not found. "},
        ExecuteFailureCase{"DataFile",
                           [](UtilityTest& t) {
                             t.WriteTarget("C:\\Tools\\readme.txt", "just text\n");
                             chmod(t.Host("C:\\Tools\\readme.txt").c_str(), 0755);
                             return std::string("C:\\Tools\\readme.txt");
                           },
                           uc::kExecuteNoAssociation,
                           "There is no application associated with the given file name extension. "},
        ExecuteFailureCase{"NotExecutable",
                           [](UtilityTest& t) {
                             t.WriteTarget("C:\\Tools\\placeholder", "");
                             CopyHostFile(VAMO_TEST_PROGRAM, t.Host("C:\\Tools\\noexec"));
                             chmod(t.Host("C:\\Tools\\noexec").c_str(), 0644);
                             return std::string("C:\\Tools\\noexec");
                           },
                           uc::kAccessDenied, "Access to the specified file is denied. "},
        ExecuteFailureCase{"PeWithoutWine",
                           [](UtilityTest& t) {
                             if (system("command -v wine >/dev/null 2>&1") == 0) return std::string();
                             t.WriteTarget("C:\\Tools\\setup.exe", std::string("MZ\x90\0", 4) + "PE image");
                             return std::string("C:\\Tools\\setup.exe");
                           },
                           uc::kExecuteNoAssociation,
                           "There is no application associated with the given file name extension. "}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(UtilityTest, ExecuteWaitRunsTheProgramToItsEndWithSplitArguments) {
  std::string out = sources.Path() + "/args.txt";
  std::string program = platform::ToWindowsPath(VAMO_TEST_PROGRAM);
  // The program writes its file only as its last act, after a pause: the
  // file being there proves the call waited for the end.
  EXPECT_EQ(CUtility::ExecuteWait(program, "write \"" + out + "\" one \"two three\""), uc::kSuccess);
  EXPECT_EQ(ReadHostFile(out), "one\ntwo three\n");

  std::string shell = sources.WriteFile("hook.sh", "#!/bin/sh\necho \"$1\" > \"$2\"\n");
  chmod(shell.c_str(), 0755);
  EXPECT_EQ(CUtility::ExecuteWaitHook(platform::ToWindowsPath(shell), "hooked " + sources.Path() + "/hook.txt"),
            uc::kSuccess);
  EXPECT_EQ(ReadHostFile(sources.Path() + "/hook.txt"), "hooked\n");
}

// --- registration ---

std::string SelfRegLibrary(const std::string& name) {
  return platform::ToWindowsPath(std::string(VAMO_SELFREG_DIR) + "/" + name);
}

struct RegCase {
  const char* label;
  std::string (*path)(TempDir&);
  int direction;
  int code;
  std::vector<std::string> traces;
  const char* called;  // what the library recorded, "" when nothing
};

struct RegDllTest : UtilityTest, ::testing::WithParamInterface<RegCase> {};

TEST_P(RegDllTest, ClassifiesTheOutcome) {
  const RegCase& c = GetParam();
  std::string log = sources.Path() + "/selfreg.log";
  setenv("VAMO_TEST_SELFREG_LOG", log.c_str(), 1);
  int code = RegDLL(c.path(sources), c.direction);
  unsetenv("VAMO_TEST_SELFREG_LOG");
  EXPECT_EQ(code, c.code);
  for (const std::string& line : c.traces) EXPECT_TRUE(trace.Has(line)) << line << "\n" << trace.Text();
  EXPECT_EQ(ReadHostFile(log), c.called);
}

const char kCreated[] = "RegDLL [The registry entries were created successfully.]";
const char kClasses[] = "RegDLL [The server was unable to complete the registration of all the object classes.]";

INSTANTIATE_TEST_SUITE_P(
    Results, RegDllTest,
    ::testing::Values(
        RegCase{"Register", [](TempDir&) { return SelfRegLibrary("ok.dll"); }, 1, 0, {kCreated}, "register\n"},
        RegCase{"Unregister", [](TempDir&) { return SelfRegLibrary("ok.dll"); }, 0, 0, {kCreated}, "unregister\n"},
        RegCase{"TypeLibrary",
                [](TempDir&) { return SelfRegLibrary("typelib.dll"); },
                1,
                uc::kAccessDenied,
                {"RegDLL [The server was unable to complete the registration of all the type libraries used by its "
                 "classes. ]"},
                "register\n"},
        RegCase{"Class", [](TempDir&) { return SelfRegLibrary("class.dll"); }, 1, uc::kAccessDenied, {kClasses},
                "register\n"},
        RegCase{"AccessDenied", [](TempDir&) { return SelfRegLibrary("denied.dll"); }, 0, uc::kAccessDenied,
                {kClasses}, "unregister\n"},
        RegCase{"OtherNegative",
                [](TempDir&) { return SelfRegLibrary("efail.dll"); },
                1,
                uc::kRegisterFailed,
                {"RegDLL Fail...[0x80004005]", "RegDLL [Unknown]"},
                "register\n"},
        RegCase{"Positive",
                [](TempDir&) { return SelfRegLibrary("sfalse.dll"); },
                1,
                0,
                {"RegDLL Fail...[0x1]", "RegDLL [Unknown]"},
                "register\n"},
        RegCase{"LibraryWithoutExport", [](TempDir&) { return SelfRegLibrary("x.dll"); }, 1, uc::kMissingExport, {},
                ""},
        RegCase{"ProgramWithoutExport", [](TempDir&) { return platform::ToWindowsPath(VAMO_TEST_PROGRAM); }, 1,
                uc::kNotLibrary, {}, ""},
        RegCase{"ControlNamedProgram",
                [](TempDir& dir) {
                  std::string copy = dir.Path() + "/viewer.OCX";
                  CopyHostFile(VAMO_TEST_PROGRAM, copy);
                  return platform::ToWindowsPath(copy);
                },
                1, uc::kMissingExport, {}, ""},
        RegCase{"TextFile",
                [](TempDir& dir) { return platform::ToWindowsPath(dir.WriteFile("notes.dll.txt", "not a library\n")); },
                1,
                uc::kRegisterFailed,
                {"RegDLL Fail. %1 is not a valid Win32 application."},
                ""},
        RegCase{"MissingFile",
                [](TempDir& dir) { return platform::ToWindowsPath(dir.Path() + "/absent.dll"); },
                1,
                uc::kRegisterFailed,
                {"RegDLL Fail. The specified module could not be found."},
                ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
