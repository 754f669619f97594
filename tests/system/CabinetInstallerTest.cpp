#include "system/CabinetInstaller.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/cabinet/Cabinet.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "platform/registry/Registry.h"
#include "platform/text/Utf.h"
#include "system/SetupFolders.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"

namespace fs = std::filesystem;

namespace {

// The fixtures are made once per build of the script: a folder named after
// the script's modification time, made aside and renamed into place so
// concurrent test processes never see half of it.
std::string Fixtures() {
  static const std::string folder = [] {
    std::string script = std::string(VAMO_TEST_DATA_DIR) + "/cabinets/make-cabinets.sh";
    auto stamp = fs::last_write_time(script).time_since_epoch().count();
    std::string dir = std::string(VAMO_TEST_BINARY_DIR) + "/cabinet-fixtures-" + std::to_string(stamp);
    if (fs::exists(dir + "/stamp")) return dir;
    std::string part = dir + ".part" + std::to_string(getpid());
    ToolOutput made = RunProgram("/bin/bash", {script, part});
    if (made.exitStatus != 0) ADD_FAILURE() << made.err;
    std::error_code ec;
    fs::rename(part, dir, ec);
    fs::remove_all(part, ec);
    return dir;
  }();
  return folder;
}

// Runs after a passing check, before the installer goes on: the window in
// which someone else could put another file in the cabinet's place.
std::function<void()> g_afterCheck;

// The trust check handed to the installer in these tests: osslsigncode's
// verification against the fixtures' test CA, an Authenticode verifier of
// its own (the wizard's check is exercised through vamo-tool below), on the
// bytes the installer read.
int OsslsigncodeCheck(std::span<const uint8_t> image, const std::string&, const char*) {
  TempDir folder;
  const std::string checked =
      folder.WriteFile("checked.cab", std::string(reinterpret_cast<const char*>(image.data()), image.size()));
  ToolOutput out = RunProgram("/usr/bin/osslsigncode", {"verify", "-CAfile", Fixtures() + "/pki/ca.pem", "-in", checked});
  if (out.exitStatus != 0) return -1;
  if (g_afterCheck) g_afterCheck();
  return 0;
}

std::string HostOf(const std::string& windowsPath) { return platform::ToHostPath(windowsPath); }
bool Exists(const std::string& windowsPath) { return fs::exists(HostOf(windowsPath)); }
std::string ReadWin(const std::string& windowsPath) { return ReadHostFile(HostOf(windowsPath)); }

class CabinetInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(Fixtures() + "/pki/ca.pem", platform::PrefixCertsFolder("root") + "/vamo-test-ca.pem",
                  fs::copy_options::overwrite_existing);
    fs::create_directories(prefix.DriveC() + "/dl");
    m_strSelfRegLog = logs.Path() + "/selfreg.log";
    m_strHookLog = logs.Path() + "/hook.log";
    m_strTraceLog = logs.Path() + "/trace.log";
    setenv("VAMO_SELFREG_LOG", m_strSelfRegLog.c_str(), 1);
    setenv("VAMO_HOOK_LOG", m_strHookLog.c_str(), 1);
    setenv("VAMO_DEBUG_LOG", m_strTraceLog.c_str(), 1);
    platform::fs::CreateDirectoryPath(CSetupFolders::InstallFolder());
    platform::fs::WriteFileAtomic(CSetupFolders::InstalledVersionFile(), "[GENERAL]\r\nDEBUG=TRACE\r\n");
  }
  void TearDown() override {
    g_afterCheck = nullptr;
    unsetenv("VAMO_SELFREG_LOG");
    unsetenv("VAMO_HOOK_LOG");
    unsetenv("VAMO_DEBUG_LOG");
  }
  // Puts the fixture cabinet into C:\dl\ and returns its Windows path.
  std::string Cabinet(const std::string& name) {
    fs::copy_file(Fixtures() + "/" + name, prefix.DriveC() + "/dl/" + name, fs::copy_options::overwrite_existing);
    return "C:\\dl\\" + name;
  }

  TempPrefix prefix;
  TempDir logs;
  std::string m_strSelfRegLog;
  std::string m_strHookLog;
  std::string m_strTraceLog;
};

struct DestDirCase {
  const char* value;
  const char* folder;
};

class DestDirTest : public ::testing::TestWithParam<DestDirCase> {
 protected:
  TempPrefix prefix;
};

TEST_P(DestDirTest, ResolvesTheDocumentedFolders) {
  EXPECT_EQ(CCabinetInstaller::ResolveDestDir(GetParam().value), GetParam().folder);
}

void PrintTo(const DestDirCase& c, std::ostream* os) { *os << "'" << c.value << "'"; }

INSTANTIATE_TEST_SUITE_P(Values, DestDirTest,
                         ::testing::Values(DestDirCase{"10", "C:\\Windows"}, DestDirCase{" 11 ", "C:\\Windows\\System32"},
                                           DestDirCase{"12", "C:\\Windows\\System32\\drivers"},
                                           DestDirCase{"", "C:\\Windows\\Downloaded Program Files"},
                                           DestDirCase{"17", "C:\\Windows\\Downloaded Program Files"}));

TEST_F(CabinetInstallerTest, AddCodeFilesLandWhereDestDirSays) {
  std::string cab = Cabinet("addcode.cab");
  {
    CCabinetInstaller installer(cab, &OsslsigncodeCheck);
    EXPECT_EQ(installer.ExtractionFolder(), "c:\\dl\\addcode\\");
    ASSERT_EQ(installer.Install(), 0);
    EXPECT_FALSE(installer.DefaultInstall());
    ASSERT_EQ(installer.FileRecords().size(), 5u);
    const CCabinetInstaller::CFileRecord& plugin = installer.FileRecords()[0];
    EXPECT_EQ(plugin.m_strFileName, "plugin.dll");
    EXPECT_EQ(plugin.m_strClsid, "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(plugin.m_strFileVersion, "1,0,5,1");
    EXPECT_EQ(plugin.m_strRegisterServer, "yes");
    EXPECT_EQ(plugin.m_strDestDir, "C:\\Windows");
    EXPECT_EQ(installer.FileRecords()[3].m_strFileWin32X86, "http://www.vamo.test/remote.txt");
    EXPECT_EQ(installer.ExtractedFiles().size(), 6u);
  }
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\sys.txt"), "to the system folder\n");
  EXPECT_EQ(ReadWin("C:\\Windows\\Downloaded Program Files\\dpf.txt"), "to Downloaded Program Files\n");
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\drivers\\drv.txt"), "to the drivers folder\n");
  EXPECT_TRUE(Exists("C:\\Windows\\plugin.dll"));
  EXPECT_FALSE(Exists("C:\\Windows\\System32\\remote.txt"));
  EXPECT_EQ(ReadHostFile(m_strSelfRegLog), "register plugin.dll\n");
  // Everything extracted went with the installer; the cabinet stays.
  EXPECT_FALSE(Exists("C:\\dl\\addcode"));
  EXPECT_TRUE(Exists(cab));
}

TEST_F(CabinetInstallerTest, DefaultInstallCopiesFilesAndWritesTheRegistry) {
  platform::RegKey key;
  ASSERT_EQ(key.Create(platform::RegRoot::kLocalMachine, "Software\\Vamo\\Plugin"), 0u);
  ASSERT_EQ(key.SetString("Kept", "old"), 0u);
  ASSERT_EQ(key.SetString("Stale", "remove me"), 0u);
  platform::RegKey old;
  ASSERT_EQ(old.Create(platform::RegRoot::kLocalMachine, "Software\\Vamo\\Old\\Child"), 0u);
  ASSERT_EQ(old.SetDword("x", 1), 0u);

  {
    CCabinetInstaller installer(Cabinet("default.cab"), &OsslsigncodeCheck);
    ASSERT_EQ(installer.Install(), 0);
    EXPECT_TRUE(installer.DefaultInstall());
  }
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\a.txt"), "system file\n");
  EXPECT_TRUE(Exists("C:\\Windows\\System32\\control.ocx"));
  EXPECT_EQ(ReadWin("C:\\Windows\\Vamo Sub\\b.txt"), "windows sub file\n");
  EXPECT_EQ(ReadWin("C:\\Windows\\Vamo Sub\\c.txt"), "renamed on copy\n");
  EXPECT_FALSE(Exists("C:\\Windows\\escape.txt"));
  // [Add.Code] is not the installer's business when the INF installs itself.
  EXPECT_FALSE(Exists("C:\\Windows\\addcode.txt"));
  EXPECT_EQ(ReadHostFile(m_strSelfRegLog), "register control.ocx\n");

  platform::RegKey plugin;
  ASSERT_EQ(plugin.Open(platform::RegRoot::kLocalMachine, "Software\\Vamo\\Plugin"), 0u);
  EXPECT_EQ(plugin.ReadString("Name").value_or("?"), "Vamo Plugin 1.0");
  EXPECT_EQ(plugin.ReadDword("Count").value_or(0), 42u);
  auto path = plugin.QueryValue("Path");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->type, platform::kRegExpandSz);
  EXPECT_EQ(plugin.ReadString("Path").value_or("?"), "%SystemRoot%\\Vamo Sub");
  auto list = plugin.QueryValue("List");
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->type, platform::kRegMultiSz);
  const std::vector<uint8_t> multi = {'o', 0, 'n', 0, 'e', 0, 0, 0, 't', 0, 'w', 0, 'o', 0, 0, 0, 0, 0};
  EXPECT_EQ(list->data, multi);
  auto blob = plugin.QueryValue("Blob");
  ASSERT_TRUE(blob.has_value());
  EXPECT_EQ(blob->type, platform::kRegBinary);
  EXPECT_EQ(blob->data, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(plugin.ReadString("Kept").value_or("?"), "old");  // no-clobber
  EXPECT_FALSE(plugin.QueryValue("Stale").has_value());
  platform::RegKey gone;
  EXPECT_EQ(gone.Open(platform::RegRoot::kLocalMachine, "Software\\Vamo\\Old"), platform::kErrorFileNotFound);
  platform::RegKey user;
  ASSERT_EQ(user.Open(platform::RegRoot::kCurrentUser, "Software\\Vamo\\User"), 0u);
  EXPECT_EQ(user.ReadString("Folder").value_or("?"), "C:\\Windows\\System32");

  // The values are in the hive file itself.
  std::string hive = platform::FoldCase(ReadHostFile(platform::PrefixRegistryFolder() + "/machine.reg"));
  EXPECT_NE(hive.find("\\vamo\\plugin]"), std::string::npos);
  EXPECT_NE(hive.find("\"count\"=dword:0000002a"), std::string::npos);
  EXPECT_NE(hive.find("\"blob\"=hex:de,ad,be,ef"), std::string::npos);

  // What the interpreter could not do is traced and skipped.
  std::string trace = ReadHostFile(m_strTraceLog);
  EXPECT_NE(trace.find("UpdateInis"), std::string::npos);
  EXPECT_NE(trace.find("HKR"), std::string::npos);
  EXPECT_NE(trace.find("escape.txt"), std::string::npos);
  EXPECT_FALSE(Exists("C:\\dl\\default"));
}

TEST_F(CabinetInstallerTest, HooksRunFromTheExtractionFolder) {
  {
    CCabinetInstaller installer(Cabinet("hook.cab"), &OsslsigncodeCheck);
    ASSERT_EQ(installer.Install(), 0);
    ASSERT_EQ(installer.HookRecords().size(), 2u);
    EXPECT_EQ(installer.HookRecords()[0].m_strRun, "%EXTRACT_DIR%\\setup.sh /silent");
  }
  std::string log = ReadHostFile(m_strHookLog);
  std::string folder = HostOf("C:\\dl\\hook");
  // $0 names the program in the extraction folder; %EXTRACT_DIR% in the
  // arguments is left alone.
  EXPECT_NE(log.find("setup.sh|/silent\n"), std::string::npos) << log;
  EXPECT_NE(log.find("my setup.sh|/q %EXTRACT_DIR%\n"), std::string::npos) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  EXPECT_NE(log.find("hook"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder));
}

// An INF saved on a Korean PC is in code page 949 without a byte-order mark;
// its names and values read as Windows reads them on the system at hand.
struct InfCodePageCase {
  const char* label;
  uint16_t systemLanguage;
  // Both as the installer keeps them, lowered: the [Add.Code] value, and
  // FILE-WIN32-X86 read from the section of that name.
  const char* fileName;
  const char* location;
};

class InfCodePageTest : public CabinetInstallerTest, public ::testing::WithParamInterface<InfCodePageCase> {};

TEST_P(InfCodePageTest, NamesAndValuesReadInTheSystemCodePage) {
  platform::PrefixOptions options;
  options.systemLanguage = GetParam().systemLanguage;
  ASSERT_EQ(platform::InitPrefix(options), platform::kErrorSuccess);
  CCabinetInstaller installer(Cabinet("korean.cab"), &OsslsigncodeCheck);
  ASSERT_EQ(installer.Install(), 0);
  ASSERT_EQ(installer.FileRecords().size(), 1u);
  const CCabinetInstaller::CFileRecord& record = installer.FileRecords()[0];
  EXPECT_EQ(record.m_strFileName, GetParam().fileName);
  EXPECT_EQ(record.m_strFileWin32X86, GetParam().location);
  EXPECT_EQ(record.m_strFileVersion, "1,0,9,4");
}

INSTANTIATE_TEST_SUITE_P(
    Systems, InfCodePageTest,
    ::testing::Values(InfCodePageCase{"Korean", 0x0412, "한글.dll", "http://www.vamo.test/한글.dll"},
                      InfCodePageCase{"English", 0x0409, "çñ±û.dll", "http://www.vamo.test/çñ±û.dll"}),
    [](const ::testing::TestParamInfo<InfCodePageCase>& info) { return std::string(info.param.label); });

TEST_F(CabinetInstallerTest, UnsignedCabinetExtractsNothing) {
  {
    CCabinetInstaller installer(Cabinet("unsigned.cab"), &OsslsigncodeCheck);
    EXPECT_EQ(installer.Install(), -1);
    EXPECT_TRUE(installer.ExtractedFiles().empty());
    EXPECT_TRUE(fs::is_empty(HostOf("C:\\dl\\unsigned")));
  }
  EXPECT_FALSE(Exists("C:\\dl\\unsigned"));
  EXPECT_FALSE(Exists("C:\\Windows\\plugin.dll"));
}

// The cabinet is read once: the bytes that passed the check are the bytes
// extracted, even when an unsigned cabinet takes the file's place right
// after the check.
TEST_F(CabinetInstallerTest, ACabinetReplacedAfterItsCheckIsNotTheOneInstalled) {
  const std::string cab = Cabinet("default.cab");
  g_afterCheck = [&] {
    fs::copy_file(Fixtures() + "/unsigned.cab", HostOf(cab), fs::copy_options::overwrite_existing);
  };
  {
    CCabinetInstaller installer(cab, &OsslsigncodeCheck);
    ASSERT_EQ(installer.Install(), 0);
    EXPECT_TRUE(installer.DefaultInstall());
  }
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\a.txt"), "system file\n");
  EXPECT_FALSE(Exists("C:\\Windows\\plugin.dll")) << "the unsigned cabinet was installed";
  EXPECT_EQ(ReadHostFile(m_strSelfRegLog).find("plugin.dll"), std::string::npos);
}

TEST_F(CabinetInstallerTest, CabinetWithoutInfFailsAndLeavesNothing) {
  {
    CCabinetInstaller installer(Cabinet("noinf.cab"), &OsslsigncodeCheck);
    EXPECT_EQ(installer.Install(), -1);
    ASSERT_EQ(installer.ExtractedFiles().size(), 2u);
    EXPECT_EQ(installer.ExtractedFiles()[1].m_strPath, "c:\\dl\\noinf\\sub\\two.txt");
    EXPECT_TRUE(Exists("C:\\dl\\noinf\\sub\\two.txt"));
  }
  EXPECT_FALSE(Exists("C:\\dl\\noinf"));
}

TEST_F(CabinetInstallerTest, HostileNamesAreRefusedAndTheRestInstalled) {
  {
    CCabinetInstaller installer(Cabinet("hostile.cab"), &OsslsigncodeCheck);
    EXPECT_EQ(installer.Install(), 0);
    EXPECT_EQ(installer.ExtractedFiles().size(), 2u);
  }
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\fine.txt"), "fine\n");
  for (const auto& entry : fs::recursive_directory_iterator(prefix.Root())) {
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
  }
  std::string trace = ReadHostFile(m_strTraceLog);
  for (const char* name : {"..\\..\\evil1.txt", "../evil2.txt", "\\Windows\\evil3.txt", "C:\\evil4.txt",
                           "\\\\server\\share\\evil5.txt"}) {
    EXPECT_NE(trace.find(std::string("Refused, leaves the folder... [") + name + "]"), std::string::npos) << name;
  }
  EXPECT_FALSE(Exists("C:\\dl\\hostile"));
}

// For every fixture cabinet our extraction, from the file and from its bytes
// in memory, and cabextract write the same bytes (stored names that leave
// the folder excepted: we refuse them, cabextract rewrites them).
TEST_F(CabinetInstallerTest, ExtractionMatchesCabextractForEveryFixture) {
  class Collect : public platform::cabinet::ICabinetCallback {
   public:
    std::optional<std::string> FileInCabinet(const platform::cabinet::CabinetFile& file) override {
      return "C:\\ours\\" + file.name;
    }
    void FileExtracted(const platform::cabinet::CabinetFile&, const std::string&, platform::Win32Error) override {}
    void NameRefused(const platform::cabinet::CabinetFile& file) override { refused.push_back(file.name); }
    std::vector<std::string> refused;
  };
  auto filesBelow = [](const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
      if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = ReadHostFile(e.path());
    }
    return files;
  };
  for (const char* name : {"addcode.cab", "default.cab", "hook.cab", "noinf.cab", "hostile.cab"}) {
    SCOPED_TRACE(name);
    std::string peer = logs.Path() + "/peer-" + name;
    ToolOutput out = RunProgram("/usr/bin/cabextract", {"-q", "-d", peer, Fixtures() + "/" + name});
    ASSERT_EQ(out.exitStatus, 0) << out.err;
    std::map<std::string, std::string> theirs = filesBelow(peer);
    if (std::string(name) == "hostile.cab") {
      std::erase_if(theirs, [](const auto& kv) { return kv.first.find("evil") != std::string::npos; });
    }
    const std::string file = Cabinet(name);
    const std::string bytes = ReadWin(file);
    for (bool bFromMemory : {false, true}) {
      SCOPED_TRACE(bFromMemory ? "from memory" : "from the file");
      fs::remove_all(prefix.DriveC() + "/ours");
      Collect collect;
      const platform::Win32Error error =
          bFromMemory ? platform::cabinet::IterateCabinet(
                            std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), collect)
                      : platform::cabinet::IterateCabinet(file, collect);
      ASSERT_EQ(error, 0u);
      EXPECT_EQ(collect.refused.size(), std::string(name) == "hostile.cab" ? 5u : 0u);
      EXPECT_FALSE(theirs.empty());
      EXPECT_EQ(filesBelow(prefix.DriveC() + "/ours"), theirs);
    }
  }
}

// A cabinet in memory that is cut short, damaged or no cabinet at all is
// refused or partly extracted, never read past its end.
TEST_F(CabinetInstallerTest, DamagedCabinetBytesInMemoryAreHandledSafely) {
  class Collect : public platform::cabinet::ICabinetCallback {
   public:
    std::optional<std::string> FileInCabinet(const platform::cabinet::CabinetFile&) override {
      return "C:\\cut\\" + std::to_string(count++) + ".bin";
    }
    void FileExtracted(const platform::cabinet::CabinetFile&, const std::string&, platform::Win32Error error) override {
      if (error != 0) ++failed;
    }
    void NameRefused(const platform::cabinet::CabinetFile&) override {}
    int count = 0;
    int failed = 0;
  };
  const std::string bytes = ReadWin(Cabinet("addcode.cab"));
  auto image = [&](size_t size) { return std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size); };
  Collect none;
  EXPECT_EQ(platform::cabinet::IterateCabinet(image(0), none), platform::kErrorInvalidData);
  EXPECT_EQ(platform::cabinet::IterateCabinet(image(20), none), platform::kErrorInvalidData);
  EXPECT_EQ(none.count, 0);
  // Cut inside the data: the headers read, the files fail one by one.
  Collect cut;
  EXPECT_EQ(platform::cabinet::IterateCabinet(image(bytes.size() / 2), cut), 0u);
  EXPECT_GT(cut.count, 0);
  EXPECT_GT(cut.failed, 0);
  // Every length up to the whole: no read past the end (ASan watches this).
  for (size_t size = 0; size < bytes.size(); size += 97) {
    Collect any;
    platform::cabinet::IterateCabinet(image(size), any);
  }
}

}  // namespace

namespace {

TEST_F(CabinetInstallerTest, ToolListsAndInstallsWithTheAuthenticodeCheck) {
  ToolOutput list = RunTool({"cab", "list", Cabinet("noinf.cab")});
  EXPECT_EQ(list.exitStatus, 0) << list.err;
  EXPECT_EQ(list.out, "one.txt\nsub\\two.txt\nresult: 0\n");

  ToolOutput install = RunTool({"cab", "install", Cabinet("default.cab")});
  EXPECT_EQ(install.exitStatus, 0) << install.err;
  EXPECT_TRUE(install.out.ends_with("result: 0\n")) << install.out;
  EXPECT_EQ(ReadWin("C:\\Windows\\System32\\a.txt"), "system file\n");
  EXPECT_FALSE(Exists("C:\\dl\\default"));

  ToolOutput refused = RunTool({"cab", "install", Cabinet("unsigned.cab")});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_TRUE(refused.out.ends_with("result: -1\n")) << refused.out;
  EXPECT_NE(ReadHostFile(m_strTraceLog).find("VerifyCodeSign() Fail [The file \"c:\\dl\\unsigned.cab\" is not signed."),
            std::string::npos)
      << ReadHostFile(m_strTraceLog);
  EXPECT_FALSE(Exists("C:\\Windows\\plugin.dll"));

  ToolOutput missing = RunTool({"cab", "list", "C:\\dl\\none.cab"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_EQ(missing.out, "result: -1\n");
}

}  // namespace
