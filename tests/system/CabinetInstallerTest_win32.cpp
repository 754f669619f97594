#include "system/CabinetInstaller.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/fs/FileOperations.h"
#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/text/Utf.h"
#include "tests/support/ScratchSpace.h"
#include "tests/support/StoredCertificate_win32.h"
#include "transfer/CodeSign.h"

// The cabinet installer on the real system: WinTrust checks the cabinet,
// SetupAPI extracts it, advpack runs an INF's [DefaultInstall], and the
// installer's own road copies, registers and runs the setup hook. The
// cabinets are made and signed on the build machine as the Windows demo
// release makes its own; their root is put in the Wine prefix's ROOT store.
namespace {

// Made on the build machine; Wine shows its root as Z:.
std::string FixturePath(const std::string& name) {
  std::string path = "Z:" + std::string(VAMO_WIN32_CABINETS) + "/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string ReadText(const std::string& path) {
  auto bytes = platform::fs::ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

std::string InSystem(const std::string& name) {
  return platform::GetKnownFolder(platform::KnownFolder::kSystem) + "\\" + name;
}
std::string InWindows(const std::string& name) {
  return platform::GetKnownFolder(platform::KnownFolder::kWindows) + "\\" + name;
}

std::string ReadUserString(const std::string& subkey, const std::string& name) {
  platform::RegKey key;
  if (key.Open(platform::RegRoot::kCurrentUser, subkey) != platform::kErrorSuccess) return "<no key>";
  return key.ReadString(name).value_or("<no value>");
}

void DeleteUserValue(const std::string& subkey, const std::string& name) {
  platform::RegKey key;
  if (key.Open(platform::RegRoot::kCurrentUser, subkey) == platform::kErrorSuccess) key.DeleteValue(name);
}

constexpr char kRegistered[] = "Software\\Vamo\\Registered";

// Runs after a passing check, before the installer goes on: the moment in
// which someone else could put another file in the cabinet's place.
std::function<void()> g_afterCheck;

int CheckThenMaybeSwap(std::span<const uint8_t> image, const std::string& path, const char* operation) {
  const int result = VerifyCodeSignWithFrame(image, path, operation);
  if (result == 0 && g_afterCheck) g_afterCheck();
  return result;
}

class CabinetInstallerWin32 : public ::testing::Test {
 protected:
  // Wine's chain engine reads the roots once per process, at the first
  // chain it builds: the root stays for the whole suite.
  static void SetUpTestSuite() {
    s_root = std::make_unique<StoredCertificate>(L"ROOT", FixturePath("pki/ca.pem"));
  }
  static void TearDownTestSuite() { s_root.reset(); }
  void SetUp() override { ASSERT_TRUE(s_root && s_root->Stored()); }
  void TearDown() override { g_afterCheck = nullptr; }

  // The fixture cabinet copied into the test's own folder, as a download
  // would have left it there.
  std::string Cabinet(const std::string& name) {
    const std::string path = m_scratch.PathOf(name);
    EXPECT_EQ(platform::fs::CopyFileTo(FixturePath(name), path, false), platform::kErrorSuccess) << name;
    return path;
  }

  static std::unique_ptr<StoredCertificate> s_root;
  ScratchSpace m_scratch;
};
std::unique_ptr<StoredCertificate> CabinetInstallerWin32::s_root;

// advpack copies the files, writes the registry and registers the library,
// whose own DllRegisterServer records where it was loaded from.
TEST_F(CabinetInstallerWin32, DefaultInstallIsCarriedOutByAdvpack) {
  DeleteUserValue(kRegistered, "VamoCabCtl.dll");
  const std::string cab = Cabinet("defaultinstall.cab");
  std::string folder;
  {
    CCabinetInstaller installer(cab, &VerifyCodeSignWithFrame);
    folder = installer.ExtractionFolder();
    ASSERT_EQ(installer.Install(), 0);
    EXPECT_TRUE(installer.DefaultInstall());
    EXPECT_EQ(installer.ExtractedFiles().size(), 4u);
  }
  EXPECT_EQ(ReadText(InSystem("VamoCabCtl.txt")), "installed by advpack from defaultinstall.cab\r\n");
  EXPECT_TRUE(platform::fs::FileExists(InSystem("VamoCabCtl.dll")));
  EXPECT_EQ(ReadUserString("Software\\Vamo\\CabinetTest", "Version"), "1,0,1,7");
  EXPECT_TRUE(platform::EqualsIgnoreCase(ReadUserString(kRegistered, "VamoCabCtl.dll"), InSystem("VamoCabCtl.dll")))
      << ReadUserString(kRegistered, "VamoCabCtl.dll");
  // The INF installs itself: its [Add.Code] entry is not the installer's
  // business.
  EXPECT_FALSE(platform::fs::FileExists(InWindows("VamoCabSkipped.txt")));
  // What was extracted went with the installer; the cabinet stays.
  EXPECT_FALSE(platform::fs::DirectoryExists(folder));
  EXPECT_TRUE(platform::fs::FileExists(cab));
}

// No [DefaultInstall]: the installer copies and registers the [Add.Code]
// files itself and starts the hook from the extraction folder.
TEST_F(CabinetInstallerWin32, AddCodeFilesAreCopiedRegisteredAndTheHookRuns) {
  DeleteUserValue(kRegistered, "VamoCabExt.dll");
  DeleteUserValue("Software\\Vamo\\Hook", "Folder");
  DeleteUserValue("Software\\Vamo\\Hook", "Arguments");
  std::string folder;
  {
    CCabinetInstaller installer(Cabinet("addcode.cab"), &VerifyCodeSignWithFrame);
    folder = installer.ExtractionFolder();
    ASSERT_EQ(installer.Install(), 0);
    EXPECT_FALSE(installer.DefaultInstall());
    ASSERT_EQ(installer.HookRecords().size(), 1u);
  }
  EXPECT_EQ(ReadText(InSystem("VamoCabExt.txt")), "copied by the installer into the system folder\r\n");
  EXPECT_TRUE(platform::EqualsIgnoreCase(ReadUserString(kRegistered, "VamoCabExt.dll"), InSystem("VamoCabExt.dll")))
      << ReadUserString(kRegistered, "VamoCabExt.dll");
  // The hook ran from the extraction folder (gone by now) with its switch.
  ASSERT_FALSE(folder.empty());
  folder.pop_back();  // the trailing backslash
  EXPECT_TRUE(platform::EqualsIgnoreCase(ReadUserString("Software\\Vamo\\Hook", "Folder"), folder))
      << ReadUserString("Software\\Vamo\\Hook", "Folder");
  EXPECT_NE(ReadUserString("Software\\Vamo\\Hook", "Arguments").find("/install"), std::string::npos);
  EXPECT_FALSE(platform::fs::DirectoryExists(folder));
}

TEST_F(CabinetInstallerWin32, UnsignedCabinetExtractsNothing) {
  platform::fs::DeleteFileAt(InWindows("swap.txt"));
  {
    CCabinetInstaller installer(Cabinet("swap-unsigned.cab"), &VerifyCodeSignWithFrame);
    EXPECT_EQ(installer.Install(), -1);
    EXPECT_TRUE(installer.ExtractedFiles().empty());
  }
  EXPECT_FALSE(platform::fs::FileExists(InWindows("swap.txt")));
}

// The cabinet is read once: the bytes that passed the check are the bytes
// extracted, even when an unsigned cabinet takes the file's place right
// after the check.
TEST_F(CabinetInstallerWin32, ACabinetReplacedAfterItsCheckIsNotTheOneInstalled) {
  platform::fs::DeleteFileAt(InWindows("swap.txt"));
  const std::string cab = Cabinet("swap.cab");
  bool replaced = false;
  g_afterCheck = [&] {
    replaced = platform::fs::CopyFileTo(FixturePath("swap-unsigned.cab"), cab, false) == platform::kErrorSuccess;
  };
  {
    CCabinetInstaller installer(cab, &CheckThenMaybeSwap);
    ASSERT_EQ(installer.Install(), 0);
  }
  ASSERT_TRUE(replaced) << "the file was not replaced, so the case proves nothing";
  EXPECT_EQ(ReadText(InWindows("swap.txt")), "signed\r\n");
}

}  // namespace
