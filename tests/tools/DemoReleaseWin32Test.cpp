#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/InstallItem.h"
#include "engine/InstallPlan.h"
#include "engine/Updater.h"
#include "platform/profile/Profile.h"
#include "platform/sim/HostPath.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "transfer/FileVerify.h"
#include "transfer/UpdateListLayout.h"

// The Windows demo release as the Linux build makes it with the cross
// compiler: what a Windows machine downloads must be signed, complete and
// loadable before anybody serves it.

namespace fs = std::filesystem;

namespace {

#ifdef VAMO_DEMO_RELEASE_WIN32
const std::string kRelease = VAMO_DEMO_RELEASE_WIN32;
#define SKIP_WITHOUT_RELEASE()
#else
const std::string kRelease;
#define SKIP_WITHOUT_RELEASE() GTEST_SKIP() << "no cross compiler: the Windows demo release is not made"
#endif

ToolOutput Shell(const std::string& command) { return RunProgram("/bin/sh", {"-c", command}); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The update list: the one .ver file of the site; its folder holds the payload.
fs::path FindList() {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kRelease + "/site")) {
    if (entry.is_regular_file() && entry.path().extension() == ".ver") return entry.path();
  }
  return {};
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::string text = ReadHostFile(path.string());
  return std::vector<uint8_t>(text.begin(), text.end());
}

class DemoReleaseWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_RELEASE();
    m_list = FindList();
    ASSERT_FALSE(m_list.empty()) << "no update list under " << kRelease << "/site";
    m_site = m_list.parent_path();
    m_bytes = ReadBytes(m_list);
  }

  // The items as the wizard's own parser makes them from the signed bytes.
  CInstallPlan Plan() {
    CUpdateListLayout layout;
    EXPECT_EQ(layout.Cut(m_bytes), 0);
    platform::profile::Source ini = layout.IniSource();
    CInstallPlan plan;
    CPlanFolders folders{"C:\\VamoPlugin", "C:\\VamoPlugin\\temp", true};
    for (const std::string& name : platform::profile::SplitNulList(platform::profile::GetSectionNames(ini, 32768))) {
      plan.ProcInstallAddList(ini, name, folders);
    }
    return plan;
  }

  fs::path Payload(const CInstallItem& item) const {
    return m_site / item.m_strDownloadUrl.substr(item.m_strDownloadUrl.rfind('/') + 1);
  }

  TempPrefix m_prefix;
  fs::path m_list;
  fs::path m_site;
  std::vector<uint8_t> m_bytes;
};

TEST_F(DemoReleaseWin32, ListVerifiesWithTheDemoKeyOnly) {
  const std::string demoKey = ReadHostFile(VAMO_SOURCE_DIR "/resources/keys/demo-update-list-public.pem");
  ASSERT_FALSE(demoKey.empty());
  CUpdateListLayout layout;
  EXPECT_EQ(layout.VerifyBytes(m_bytes, m_list.string(), demoKey, nullptr), 0);

  TempDir other;
  ToolOutput made = Shell("cd " + Quoted(other.Path()) +
                          " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out k.pem 2>/dev/null"
                          " && openssl pkey -in k.pem -pubout -out pub.pem");
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  CUpdateListLayout stranger;
  EXPECT_EQ(stranger.VerifyBytes(m_bytes, m_list.string(), ReadHostFile(other.Path() + "/pub.pem"), nullptr),
            kListVerifyFinal);
}

// Every download is served from the list's own folder, and the digest the
// list carries is that of the file the wizard ends up with: the download
// itself, or the member an archive yields.
TEST_F(DemoReleaseWin32, EveryDownloadIsInTheSiteWithTheListedDigest) {
  const std::string listUrl = VAMO_UPDATE_LIST_URL;
  const std::string baseUrl = listUrl.substr(0, listUrl.rfind('/') + 1);
  CInstallPlan plan = Plan();
  int downloads = 0;
  for (const auto& item : plan.Items()) {
    if (item->m_strType == "REGISTRY" || item->m_strType == "REMOVE") {
      EXPECT_TRUE(item->m_strDownloadUrl.empty()) << item->m_strName;
      continue;
    }
    SCOPED_TRACE(item->m_strName);
    ++downloads;
    EXPECT_TRUE(item->m_strDownloadUrl.starts_with(baseUrl)) << item->m_strDownloadUrl;
    const fs::path payload = Payload(*item);
    ASSERT_TRUE(fs::is_regular_file(payload)) << payload;
    if (item->m_strType == "CABINET") continue;  // checked by its signature, not a digest
    if (item->m_bCompressed) {
      ToolOutput listed = Shell("unzip -Z1 " + Quoted(payload.string()));
      EXPECT_EQ(listed.out, item->m_strName + "\n");
      ToolOutput digest = Shell("unzip -p " + Quoted(payload.string()) + " " + Quoted(item->m_strName) +
                                " | openssl dgst -sha512 -binary | base64 -w0");
      EXPECT_EQ(digest.out, item->m_strSecureData);
    } else {
      std::string digest;
      ASSERT_EQ(FileDigestText(platform::ToWindowsPath(payload.string()), digest), 0);
      EXPECT_EQ(digest, item->m_strSecureData);
    }
  }
  EXPECT_GE(downloads, 5);
}

// The release shows every road an item can take on a Windows machine.
TEST_F(DemoReleaseWin32, CoversEveryItemKindAndEveryPlatformBit) {
  CInstallPlan plan = Plan();
  std::set<std::string> types;
  std::set<int> platforms;
  int registered = 0, run = 0, compressed = 0, npOnly = 0;
  for (const auto& item : plan.Items()) {
    types.insert(item->m_strType);
    platforms.insert(CUpdater::PlatformFlags(item->m_strPlatform));
    registered += item->m_bRegister;
    run += item->m_bRun;
    compressed += item->m_bCompressed;
    npOnly += item->m_bNpFlag;
  }
  EXPECT_EQ(types, (std::set<std::string>{"FILE", "CABINET", "REGISTRY", "REMOVE"}));
  EXPECT_GE(registered, 1);
  EXPECT_GE(run, 1);
  EXPECT_GE(compressed, 1);
  EXPECT_GE(npOnly, 1);
  for (int bit : {VAMO_SETUP_PLATFORM_WINDOWS_XP, VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER,
                  VAMO_SETUP_PLATFORM_WINDOWS_VISTA, VAMO_SETUP_PLATFORM_WINDOWS_7, VAMO_SETUP_PLATFORM_WINDOWS_8,
                  VAMO_SETUP_PLATFORM_WINDOWS_ALL, VAMO_SETUP_PLATFORM_WIN32, VAMO_SETUP_PLATFORM_WIN64,
                  VAMO_SETUP_PLATFORM_ALL}) {
    EXPECT_TRUE(platforms.contains(bit)) << "no item has PLATFORM=" << bit;
  }
}

// What the wizard checks with Authenticode passes against the demo CA and
// fails on a machine that does not trust it.
TEST_F(DemoReleaseWin32, ProgramAndCabinetsPassTheCodeSignCheck) {
  SKIP_WITHOUT_RELEASE();
  const std::vector<std::string> names = {"VamoAgent.exe", "VamoCtl.cab", "VamoExt.cab"};
  for (const std::string& name : names) {
    const std::string path = platform::ToWindowsPath((m_site / name).string());
    ToolOutput untrusted = RunTool({"codesign", path});
    EXPECT_EQ(untrusted.exitStatus, 1) << name << ": " << untrusted.out;
  }
  fs::create_directories(m_prefix.Root() + "/certs/root");
  fs::copy_file(kRelease + "/pki/ca.pem", m_prefix.Root() + "/certs/root/vamo-demo-ca.pem");
  for (const std::string& name : names) {
    ToolOutput trusted = RunTool({"codesign", platform::ToWindowsPath((m_site / name).string())});
    EXPECT_EQ(trusted.exitStatus, 0) << name << ": " << trusted.out << trusted.err;
    EXPECT_EQ(trusted.out, "result: 0\n") << name;
  }
}

// The names a PE file exports, from its export directory.
std::set<std::string> Exports(const fs::path& file) {
  ToolOutput dump = Shell("x86_64-w64-mingw32-objdump -p " + Quoted(file.string()) +
                          " | sed -n '/\\[Ordinal\\/Name Pointer\\] Table/,/^$/p'");
  std::set<std::string> names;
  size_t at = 0;
  while ((at = dump.out.find("] ", at)) != std::string::npos) {
    size_t end = dump.out.find('\n', at);
    names.insert(dump.out.substr(at + 2, end - at - 2));
    at = end;
  }
  return names;
}

std::string CabinetMember(const fs::path& cabinet, const std::string& member, const std::string& into) {
  ToolOutput out = Shell("mkdir -p " + Quoted(into) + " && gcab -x -C " + Quoted(into) + " " + Quoted(cabinet.string()));
  EXPECT_EQ(out.exitStatus, 0) << out.err;
  return into + "/" + member;
}

std::vector<std::string> SectionsOf(const std::string& hostInf) {
  platform::profile::Source inf = platform::profile::Source::File(platform::ToWindowsPath(hostInf));
  return platform::profile::SplitNulList(platform::profile::GetSectionNames(inf, 32768));
}

// The libraries register themselves: the one the list names, and the ones
// inside the cabinets that advpack's RegisterDlls or the installer's
// RegisterServer load.
TEST_F(DemoReleaseWin32, LibrariesExportTheirRegistration) {
  EXPECT_TRUE(Exports(m_site / "VamoPlugin.dll").contains("DllRegisterServer"));
  EXPECT_TRUE(Exports(m_site / "VamoPlugin.dll").contains("DllUnregisterServer"));
  TempDir unpacked;
  const std::string ctl = CabinetMember(m_site / "VamoCtl.cab", "VamoCtl.dll", unpacked.Path() + "/ctl");
  const std::string ext = CabinetMember(m_site / "VamoExt.cab", "VamoExt.dll", unpacked.Path() + "/ext");
  EXPECT_TRUE(Exports(ctl).contains("DllRegisterServer"));
  EXPECT_TRUE(Exports(ext).contains("DllRegisterServer"));
  EXPECT_TRUE(Exports(m_site / "npvamoplugin.dll").contains("NP_GetEntryPoints"));
}

// One cabinet takes advpack's road, the other the installer's own: the INF
// sections decide which, and every file the INF names is in its cabinet.
TEST_F(DemoReleaseWin32, CabinetsCarryTheirInfAndTheFilesItNames) {
  TempDir unpacked;
  const std::string ctlInf = CabinetMember(m_site / "VamoCtl.cab", "VamoCtl.inf", unpacked.Path() + "/ctl");
  std::vector<std::string> ctlSections = SectionsOf(ctlInf);
  EXPECT_NE(std::find(ctlSections.begin(), ctlSections.end(), "DefaultInstall"), ctlSections.end());
  const std::string ctlFiles = platform::profile::GetString(
      platform::profile::Source::File(platform::ToWindowsPath(ctlInf)), "DefaultInstall", "CopyFiles");
  for (const std::string& file : platform::profile::SplitNulList(platform::profile::GetSection(
           platform::profile::Source::File(platform::ToWindowsPath(ctlInf)), ctlFiles, 4096))) {
    EXPECT_TRUE(fs::is_regular_file(unpacked.Path() + "/ctl/" + file)) << file;
  }

  const std::string extInf = CabinetMember(m_site / "VamoExt.cab", "VamoExt.inf", unpacked.Path() + "/ext");
  platform::profile::Source ext = platform::profile::Source::File(platform::ToWindowsPath(extInf));
  std::vector<std::string> extSections = SectionsOf(extInf);
  EXPECT_EQ(std::find(extSections.begin(), extSections.end(), "DefaultInstall"), extSections.end());
  const std::string file = platform::profile::GetString(ext, "Add.Code", "VamoExt.dll");
  EXPECT_EQ(platform::profile::GetString(ext, file, "file-win32-x86"), "thiscab");
  EXPECT_TRUE(fs::is_regular_file(unpacked.Path() + "/ext/" + file));
  const std::string hook = platform::profile::GetString(ext, "Setup Hooks", "VamoHook");
  const std::string run = platform::profile::GetString(ext, hook, "run");
  ASSERT_TRUE(run.starts_with("%EXTRACT_DIR%\\")) << run;
  const std::string program = run.substr(14, run.find(' ') - 14);
  EXPECT_TRUE(fs::is_regular_file(unpacked.Path() + "/ext/" + program)) << program;
}

// The payload on Windows' own services, under Wine in a prefix of its own:
// regsvr32 loads the library and its DllRegisterServer writes the registry,
// the signed agent runs, advpack carries out the first cabinet's
// [DefaultInstall] (copy, AddReg and RegisterDlls) and the second cabinet's
// hook runs from its folder.
TEST_F(DemoReleaseWin32, PayloadWorksOnWindowsOwnServices) {
  if (Shell("command -v wine64 || test -x /usr/lib/wine/wine64").exitStatus != 0) GTEST_SKIP() << "no wine64";
  TempDir work;
  const std::string host = work.Path();
  fs::copy_file(m_site / "VamoPlugin.dll", host + "/VamoPlugin.dll");
  fs::copy_file(m_site / "VamoAgent.exe", host + "/VamoAgent.exe");
  CabinetMember(m_site / "VamoCtl.cab", "VamoCtl.inf", host + "/ctl");
  CabinetMember(m_site / "VamoExt.cab", "VamoExt.inf", host + "/ext");
  const std::string win = platform::ToWindowsPath(host);
  const std::string script =
      "@echo off\r\n"
      "regsvr32 /s " + win + "\\VamoPlugin.dll\r\n"
      "echo regsvr32=%ERRORLEVEL%\r\n"
      "start /wait " + win + "\\VamoAgent.exe /silent\r\n"
      "echo agent=%ERRORLEVEL%\r\n"
      "rundll32 advpack.dll,LaunchINFSection " + win + "\\ctl\\VamoCtl.inf,DefaultInstall\r\n"
      "start /wait " + win + "\\ext\\VamoHookSetup.exe /install\r\n"
      "reg query HKCU\\Software\\Vamo /s\r\n"
      "if exist C:\\windows\\system32\\VamoCtl.txt echo copied=yes\r\n"
      "regsvr32 /s /u " + win + "\\VamoPlugin.dll\r\n"
      "reg query HKCU\\Software\\Vamo\\Registered /v VamoPlugin.dll\r\n"
      "echo after-unregister=%ERRORLEVEL%\r\n";
  work.WriteFile("run.cmd", script);
  ToolOutput run = RunProgram(VAMO_SOURCE_DIR "/scripts/wine-run", {"cmd.exe", "/c", win + "\\run.cmd"},
                              {"VAMO_WINE_ROOT=" + host});
  const std::string& out = run.out;
  EXPECT_NE(out.find("regsvr32=0"), std::string::npos) << out;
  EXPECT_NE(out.find("agent=0"), std::string::npos) << out;
  EXPECT_EQ(ReadHostFile(host + "/VamoAgent.log"), "VamoAgent ran /silent\r\n");
  EXPECT_NE(out.find("VamoPlugin.dll    REG_SZ    " + win + "\\VamoPlugin.dll"), std::string::npos) << out;
  EXPECT_NE(out.find("VamoCtl.dll    REG_SZ    C:\\windows\\system32\\VamoCtl.dll"), std::string::npos) << out;
  EXPECT_NE(out.find("Version    REG_SZ    1,0,1,7"), std::string::npos) << out;
  EXPECT_NE(out.find("Arguments    REG_SZ    /install"), std::string::npos) << out;
  EXPECT_NE(out.find("Folder    REG_SZ    " + win + "\\ext"), std::string::npos) << out;
  EXPECT_NE(out.find("copied=yes"), std::string::npos) << out;
  EXPECT_NE(out.find("after-unregister=1"), std::string::npos) << out;
}

}  // namespace
