// The machine's services that the wizard asks before it starts: the named
// mutex that keeps it to one instance, the user's standing, the known folders
// and environment, the version and memory facts, and self-registering
// libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/fs/FileSystem.h"
#include "platform/library/Library.h"
#include "platform/registry/Registry.h"
#include "platform/security/Security.h"
#include "platform/sync/NamedMutex.h"
#include "platform/sysinfo/KnownFolders.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/Utf.h"
#include "tests/support/ScratchSpace.h"
#include "tests/support/Wine.h"

namespace {

using namespace platform;

bool SameText(const std::string& a, const std::string& b) { return ToLowerAscii(a) == ToLowerAscii(b); }

TEST(NamedMutexContract, OneOwnerAtATimeWithinTheProcess) {
  ScratchSpace scratch;
  NamedMutex first, second;
  EXPECT_EQ(first.Create("VamoSetup"), kErrorSuccess);
  EXPECT_TRUE(first.IsOwned());
  EXPECT_EQ(second.Create("VamoSetup"), kErrorAlreadyExists);
  EXPECT_FALSE(second.IsOwned());
  // Names are exact: another name is another mutex; a namespace prefix is not.
  NamedMutex other, local;
  EXPECT_EQ(other.Create("vamosetup"), kErrorSuccess);
  EXPECT_EQ(local.Create("Local\\VamoSetup"), kErrorAlreadyExists);
  first.Release();
  EXPECT_EQ(second.Create("VamoSetup"), kErrorSuccess);
  // Moving hands the ownership on.
  NamedMutex moved = std::move(second);
  EXPECT_TRUE(moved.IsOwned());
  EXPECT_EQ(first.Create("VamoSetup"), kErrorAlreadyExists);
}

// An empty name would make an unnamed mutex that no second instance finds.
TEST(NamedMutexContract, AnEmptyNameIsRefused) {
  ScratchSpace scratch;
  NamedMutex mutex;
  EXPECT_EQ(mutex.Create(""), kErrorInvalidName);
  EXPECT_FALSE(mutex.IsOwned());
  NamedMutex again;
  EXPECT_EQ(again.Create(""), kErrorInvalidName);
}

TEST(SecurityContract, TheUserHasANameAndLocalGroups) {
  ScratchSpace scratch;
  const std::string user = GetEffectiveUserName();
  ASSERT_FALSE(user.empty());
  EXPECT_EQ(UserName(), user);
  auto groups = GetUserLocalGroups(user);
  ASSERT_TRUE(groups.has_value()) << groups.error();
  EXPECT_FALSE(groups->empty());
  EXPECT_EQ(GetUserLocalGroups("").error(), kNerrUserNotFound);
}

// The wizard's administrator check reads the group list first and the token
// only when the list cannot be had: a token in Administrators must come with
// the group in the list (the other way round need not hold: a filtered token
// of an administrator is not a member until it is elevated).
TEST(SecurityContract, AnAdministratorsTokenIsInTheAdministratorsGroup) {
  ScratchSpace scratch;
  if (!IsTokenAdministratorsMember()) GTEST_SKIP() << "the token is not in Administrators";
  auto groups = GetUserLocalGroups(GetEffectiveUserName());
  ASSERT_TRUE(groups.has_value()) << groups.error();
  EXPECT_NE(std::find_if(groups->begin(), groups->end(),
                         [](const std::string& group) { return SameText(group, kAdministratorsGroup); }),
            groups->end());
}

// The wizard must not take an unknown name for an administrator.
TEST(SecurityContract, AnUnknownUserHasNoGroups) {
  SKIP_UNDER_WINE("NetUserGetLocalGroups is a stub (dlls/netapi32/netapi32.c) that lists Administrators for any name");
  ScratchSpace scratch;
  auto groups = GetUserLocalGroups("vamo-no-such-user-7f3a");
  ASSERT_FALSE(groups.has_value());
  EXPECT_EQ(groups.error(), kNerrUserNotFound);
}

struct FolderCase {
  const char* label;
  KnownFolder folder;
  KnownFolder parent;       // the folder it lies in (itself for a top folder)
  const char* variable;     // the environment variable that names it, or ""
};

class KnownFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(KnownFolders, AreWindowsPathsInTheirParentAndMatchTheEnvironment) {
  const FolderCase& c = GetParam();
  ScratchSpace scratch;
  const std::string path = GetKnownFolder(c.folder);
  ASSERT_GE(path.size(), 4u) << path;
  EXPECT_EQ(path[1], ':') << path;
  EXPECT_EQ(path[2], '\\') << path;
  EXPECT_NE(path.back(), '\\') << path;
  if (c.parent != c.folder) {
    const std::string parent = GetKnownFolder(c.parent) + "\\";
    EXPECT_TRUE(SameText(path.substr(0, parent.size()), parent)) << path << " not in " << parent;
  }
  if (*c.variable) {
    EXPECT_TRUE(SameText(EnvironmentVariable(c.variable), path)) << c.variable;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Every, KnownFolders,
    ::testing::Values(FolderCase{"Windows", KnownFolder::kWindows, KnownFolder::kWindows, "SystemRoot"},
                      FolderCase{"System", KnownFolder::kSystem, KnownFolder::kWindows, ""},
                      FolderCase{"ProgramFiles", KnownFolder::kProgramFiles, KnownFolder::kProgramFiles,
                                 "ProgramFiles"},
                      FolderCase{"ProgramData", KnownFolder::kProgramData, KnownFolder::kProgramData,
                                 "ALLUSERSPROFILE"},
                      FolderCase{"Profile", KnownFolder::kProfile, KnownFolder::kProfile, "USERPROFILE"},
                      FolderCase{"LocalAppData", KnownFolder::kLocalAppData, KnownFolder::kProfile, "LOCALAPPDATA"},
                      FolderCase{"LocalAppDataLow", KnownFolder::kLocalAppDataLow, KnownFolder::kProfile, ""},
                      FolderCase{"RoamingAppData", KnownFolder::kRoamingAppData, KnownFolder::kProfile, "APPDATA"}),
    [](const auto& info) { return std::string(info.param.label); });

struct ExpandCase {
  const char* label;
  std::string text;
  std::string expected;  // "<root>" stands for %SystemRoot%'s value
};

class EnvironmentExpansion : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(EnvironmentExpansion, ReplacesKnownNamesOnly) {
  const ExpandCase& c = GetParam();
  ScratchSpace scratch;
  const std::string root = EnvironmentVariable("SystemRoot");
  ASSERT_FALSE(root.empty());
  std::string expected = c.expected;
  for (size_t at; (at = expected.find("<root>")) != std::string::npos;) expected.replace(at, 6, root);
  EXPECT_EQ(ExpandEnvironmentText(c.text), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EnvironmentExpansion,
    ::testing::Values(ExpandCase{"Plain", "no variables", "no variables"},
                      ExpandCase{"Known", "%SystemRoot%\\x", "<root>\\x"},
                      ExpandCase{"AnyCase", "%systemroot%", "<root>"},
                      ExpandCase{"Twice", "%SystemRoot%;%SYSTEMROOT%", "<root>;<root>"},
                      ExpandCase{"Unknown", "%VamoNoSuchName%", "%VamoNoSuchName%"},
                      ExpandCase{"Unclosed", "100% %SystemRoot", "100% %SystemRoot"},
                      ExpandCase{"Korean", "전자 %SystemRoot%", "전자 <root>"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EnvironmentContract, UnknownVariablesAreEmpty) {
  ScratchSpace scratch;
  EXPECT_EQ(EnvironmentVariable("VamoNoSuchName"), "");
  EXPECT_TRUE(SameText(EnvironmentVariable("windir"), EnvironmentVariable("SYSTEMROOT")));
}

uint32_t Number(const std::string& text) { return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10)); }

// The version a program is told is the one the system keeps in its registry:
// a program that the system does not consider to know its release is told
// an older one (Windows 8.1 and later say 6.2 without a manifest).
TEST(VersionContract, TheReportedVersionIsTheInstalledOne) {
  ScratchSpace scratch;
  auto version = QueryWindowsVersion(true);
  ASSERT_TRUE(version.has_value()) << version.error();
  RegKey key;
  ASSERT_EQ(key.Open(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), kErrorSuccess);
  uint32_t major = 0, minor = 0;
  const std::string current = key.ReadString("CurrentVersion").value_or("");
  ASSERT_NE(current.find('.'), std::string::npos) << current;
  major = Number(current.substr(0, current.find('.')));
  minor = Number(current.substr(current.find('.') + 1));
  if (auto number = key.ReadDword("CurrentMajorVersionNumber")) major = *number;
  if (auto number = key.ReadDword("CurrentMinorVersionNumber")) minor = *number;

  EXPECT_EQ(version->platformId, kPlatformWin32Nt);
  EXPECT_EQ(version->majorVersion, major);
  EXPECT_EQ(version->minorVersion, minor);
  EXPECT_EQ(version->buildNumber, Number(key.ReadString("CurrentBuildNumber").value_or("")));
  EXPECT_EQ(version->productName, key.ReadString("ProductName").value_or(""));
  EXPECT_EQ(GetWindowsVersion().majorVersion, major);
  EXPECT_EQ(GetSystemBits(), version->architecture == "x86" ? "32" : "64");
  EXPECT_NE(version->productType, 0u);

  auto basic = QueryWindowsVersion(false);
  ASSERT_TRUE(basic.has_value());
  EXPECT_EQ(basic->majorVersion, major);
  EXPECT_EQ(basic->productType, 0u);
  EXPECT_EQ(basic->suiteMask, 0u);
  EXPECT_EQ(basic->servicePackMajor, 0u);
}

TEST(VersionContract, MachineFactsAreConsistent) {
  ScratchSpace scratch;
  auto memory = GetMemoryStatus();
  ASSERT_TRUE(memory.has_value()) << memory.error();
  EXPECT_GT(memory->totalPhys, 0u);
  EXPECT_LE(memory->availPhys, memory->totalPhys);
  EXPECT_LE(memory->availPageFile, memory->totalPageFile);
  EXPECT_LE(memory->memoryLoad, 100u);
  EXPECT_GT(memory->availVirtual, 0u);
  EXPECT_LE(memory->availVirtual, memory->totalVirtual);
  EXPECT_EQ(GetTotalMemoryBytes(), memory->totalPhys);
  EXPECT_GE(GetProcessorCount(), 1u);

  // NetBIOS names: at most 15 characters, shown in upper case.
  const std::string computer = ComputerName();
  ASSERT_FALSE(computer.empty());
  EXPECT_LE(computer.size(), 15u);
  EXPECT_EQ(computer.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos) << computer;
}

std::string SelfRegLibraryPath() {
  std::string path = VAMO_SELFREG_LIBRARY;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

using RegisterEntry = int32_t (*)();

// regsvr32's way: load the library, find DllRegisterServer, run it. The
// library's own code must have run: its count moves and, where it can reach
// the registry, its value is there for others to read.
TEST(LibraryContract, SelfRegistrationRunsTheLibrarysCode) {
  ScratchSpace scratch;
  auto library = Library::Load(SelfRegLibraryPath());
  ASSERT_TRUE(library.has_value()) << library.error() << " " << Library::LastLoadDetail();
  EXPECT_FALSE(library->IsImageOnly());
  auto useKey = reinterpret_cast<void (*)(const char*)>(library->GetProcAddress("VamoSelfRegUseKey"));
  auto count = reinterpret_cast<int (*)()>(library->GetProcAddress("VamoSelfRegCount"));
  auto writesRegistry = reinterpret_cast<int (*)()>(library->GetProcAddress("VamoSelfRegWritesRegistry"));
  auto registerServer = reinterpret_cast<RegisterEntry>(library->GetProcAddress("DllRegisterServer"));
  auto unregisterServer = reinterpret_cast<RegisterEntry>(library->GetProcAddress("DllUnregisterServer"));
  ASSERT_TRUE(useKey && count && writesRegistry && registerServer && unregisterServer);
  EXPECT_EQ(library->GetProcAddress("DllInstall"), nullptr);
  EXPECT_EQ(library->GetProcAddress(nullptr), nullptr);

  useKey(scratch.RegistryKey().c_str());
  ASSERT_EQ(registerServer(), 0);
  EXPECT_EQ(count(), 1);
  RegKey key;
  if (writesRegistry()) {
    ASSERT_EQ(key.Open(RegRoot::kCurrentUser, scratch.RegistryKey()), kErrorSuccess);
    EXPECT_EQ(key.ReadDword("Registered").value_or(0), 1u);
  }
  ASSERT_EQ(unregisterServer(), 0);
  EXPECT_EQ(count(), 0);
  if (writesRegistry()) {
    EXPECT_EQ(key.QueryValue("Registered").error(), kErrorFileNotFound);
  }

  // Loading it again while loaded shares the one image and its state.
  auto second = Library::Load(SelfRegLibraryPath());
  ASSERT_TRUE(second.has_value());
  ASSERT_EQ(registerServer(), 0);
  EXPECT_EQ(reinterpret_cast<int (*)()>(second->GetProcAddress("VamoSelfRegCount"))(), 1);
  ASSERT_EQ(unregisterServer(), 0);
}

TEST(LibraryContract, LoadFailuresNameTheirCause) {
  ScratchSpace scratch;
  EXPECT_EQ(Library::Load(scratch.PathOf("missing.dll")).error(), kErrorModNotFound);
  EXPECT_EQ(Library::Load(scratch.PathOf("no-folder\\missing.dll")).error(), kErrorModNotFound);
  ASSERT_EQ(fs::WriteFileAtomic(scratch.PathOf("text.dll"), std::string_view("not an image\r\n")), kErrorSuccess);
  auto text = Library::Load(scratch.PathOf("text.dll"));
  ASSERT_FALSE(text.has_value());
  EXPECT_EQ(text.error(), kErrorBadExeFormat);
  EXPECT_FALSE(Library::LastLoadDetail().empty());
}

}  // namespace
