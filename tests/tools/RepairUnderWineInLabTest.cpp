// The Windows program's whole repair (vamo-tool.exe repair under Wine) inside
// the network lab, on the Windows demo release the lab's update host serves:
// a fresh Wine prefix trusting the lab's CA and the publisher's, the run's
// output and exit status, and then, read from outside Wine, the files the
// install left in the prefix's drive_c and the registry values `reg query`
// shows. Once as the release is made (every download over HTTP) and once
// with its list naming every file over HTTPS (WinINet verifying the lab's
// certificates against the prefix's ROOT store).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/NetworkLab.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "tests/support/WineInLab.h"

namespace fs = std::filesystem;

namespace {

#ifdef VAMO_DEMO_RELEASE_WIN32
const std::string kRelease = VAMO_DEMO_RELEASE_WIN32;
#else
const std::string kRelease;
#endif

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool Contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Windows names are case-blind; the install folds some of them to lower
// case (the cabinet's [Add.Code] files), which the host's drive_c shows.
bool HasFileIgnoringCase(const fs::path& folder, const std::string& name) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && Lower(entry.path().filename().string()) == Lower(name)) return true;
  }
  return false;
}

// A Windows program's output as lines, each without its CR LF.
std::vector<std::string> WindowsLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The release's update list, the one .ver file of its site.
fs::path FindList(const std::string& release) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(release + "/site")) {
    if (entry.is_regular_file() && entry.path().extension() == ".ver") return entry.path();
  }
  return {};
}

struct Transport {
  const char* name;
  bool bHttps;
};

// One lab and one Wine prefix booted inside it for every test of the file:
// the boot costs more than a run.
struct WineLab {
  std::unique_ptr<NetworkLab> lab;
  std::unique_ptr<WineInLab> wine;
};

WineLab& SharedWineLab() {
  static WineLab shared = [] {
    WineLab made;
    made.lab = std::make_unique<NetworkLab>();
    if (made.lab->IsUp()) made.wine = std::make_unique<WineInLab>(*made.lab);
    return made;
  }();
  return shared;
}

// Skips without what a Windows run in the lab needs; fails when the lab or
// Wine would not start.
#define REQUIRE_WINE_LAB()                                                                                       \
  do {                                                                                                            \
    if (kRelease.empty()) GTEST_SKIP() << "no cross compiler: the Windows demo release is not made";              \
    if (WineInLab::WindowsToolPath().empty()) GTEST_SKIP() << "no vamo-tool.exe (build-win32, or VAMO_WIN32_TOOL)"; \
    if (WineInLab::TrustRootsPath().empty()) GTEST_SKIP() << "no trust-roots.exe (build-win32)";                  \
    VAMO_REQUIRE_LAB();                                                                                           \
    ASSERT_TRUE(SharedWineLab().lab->IsUp()) << SharedWineLab().lab->Error();                                     \
    ASSERT_NE(SharedWineLab().wine, nullptr);                                                                     \
    ASSERT_TRUE(SharedWineLab().wine->IsReady()) << SharedWineLab().wine->Error();                                \
  } while (0)

// A fresh Windows machine in a prefix folder of its own: its ROOT store
// holds the lab's CA (the HTTPS servers) and the release's publisher CA (the
// signed program and cabinets), and the plug-in of an earlier release the
// list removes lies in the ActiveX cache.
void MakeWindowsMachine(const std::string& strPrefix, const std::string& strRelease, const std::string& strScratch) {
  fs::copy_file(SharedWineLab().lab->CaPath(), strScratch + "/lab-ca.pem", fs::copy_options::overwrite_existing);
  fs::copy_file(strRelease + "/pki/ca.pem", strScratch + "/demo-ca.pem", fs::copy_options::overwrite_existing);
  ToolOutput trusted = SharedWineLab().wine->RunIn(
      strPrefix, {WineInLab::TrustRootsPath(), "Z:" + strScratch + "/lab-ca.pem", "Z:" + strScratch + "/demo-ca.pem"});
  ASSERT_EQ(trusted.exitStatus, 0) << trusted.err;
  WineInLab::PlaceObsoletePlugin(strPrefix + "/drive_c");
}

// `reg query KEY /s` in a machine's prefix, outside the lab.
std::string RegQuery(const std::string& strPrefix, const std::string& key) {
  ToolOutput got = RunProgram(VAMO_WINE_RUN, {"reg.exe", "query", key, "/s"}, {"VAMO_WINE_PREFIX=" + strPrefix});
  EXPECT_EQ(got.exitStatus, 0) << key << ": " << got.err;
  return got.out;
}

class RepairUnderWineInLab : public ::testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    REQUIRE_WINE_LAB();
    m_strRelease = GetParam().bHttps ? MakeHttpsRelease() : kRelease;
    ASSERT_FALSE(m_strRelease.empty());
    NetworkLab& lab = *SharedWineLab().lab;
    ASSERT_TRUE(lab.Set({"defaults"})) << lab.Error();
    ASSERT_TRUE(lab.Publish(m_strRelease + "/site")) << lab.Error();
    MakeWindowsMachine(Prefix(), m_strRelease, m_out.Path());
  }

  // The same release made again with the list's address in https: the list
  // still comes from the build's own (http) address, every file it names
  // from https.
  std::string MakeHttpsRelease() {
    std::string url = VAMO_UPDATE_LIST_URL;
    EXPECT_TRUE(url.starts_with("http://")) << url;
    url.replace(0, 4, "https");
    const std::string out = m_out.Path() + "/release-https";
    ToolOutput made = RunProgram("/bin/bash", {std::string(VAMO_SOURCE_DIR) + "/tools/demo/make-demo-release-win32.sh",
                                               out, url, VAMO_PUBLISH_PATH, VAMO_DEMO_LIST_KEY, VAMO_MINGW_CC});
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    return made.exitStatus == 0 ? out : "";
  }

  std::string Prefix() const { return m_out.Path() + "/prefix"; }
  fs::path DriveC() const { return fs::path(Prefix()) / "drive_c"; }

  TempDir m_out;
  std::string m_strRelease;
};

TEST_P(RepairUnderWineInLab, InstallsEveryItemAndEndsAsOnLinux) {
  const ToolOutput repair =
      SharedWineLab().wine->RunIn(Prefix(), {WineInLab::WindowsToolPath(), "repair", "--report", "C:\\repair.rpt"});
  ASSERT_EQ(repair.exitStatus, 0) << repair.out << repair.err;

  // The terminal view through a pipe, and the ending the Linux program prints.
  const std::vector<std::string> lines = WindowsLines(repair.out);
  ASSERT_GE(lines.size(), 8u) << repair.out;
  EXPECT_EQ(lines[0], "Orin 전자결제 - 전자결제 마법사");
  EXPECT_EQ(lines[2], "단계 1/5 사용자 환경 분석");
  EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
            (std::vector<std::string>{"", "케보 전자결제창 복구를 완료 하였습니다.",
                                      "결제를 하시던 곳에서 다시 한번 결제를 진행하여 주십시오.", "",
                                      "report: C:\\repair.rpt"}));

  // The saved report, read by the Linux program: the whole run, each file
  // from the update host over the transport the list names.
  ToolOutput shown = RunTool({"report", "show", (DriveC() / "repair.rpt").string()});
  ASSERT_EQ(shown.exitStatus, 0) << shown.err;
  EXPECT_TRUE(shown.out.starts_with("------- 수동설치마법사 -------\n")) << shown.out;
  EXPECT_TRUE(shown.out.ends_with("------- INSTALL END -------\n")) << shown.out;
  EXPECT_TRUE(Contains(shown.out, "Updatelist Verify Complete\n")) << shown.out;
  const std::string server = GetParam().bHttps ? "update.vamo.test:443" : "update.vamo.test:80";
  EXPECT_TRUE(Contains(shown.out, "파일 : VamoPlugin.dll\n--FileDownload Start\n--FileDownload Server [" + server + "]"))
      << shown.out;
  EXPECT_TRUE(Contains(shown.out, "파일 : VamoCtl.cab\n-캐비넷설치\n")) << shown.out;
  EXPECT_TRUE(Contains(shown.out, "파일 : VamoExt.cab\n-캐비넷설치\n")) << shown.out;
  EXPECT_TRUE(Contains(shown.out, "파일 : VamoOld.dll\n-삭제완료\n")) << shown.out;
  EXPECT_FALSE(Contains(shown.out, "실패")) << shown.out;

  // The files, from outside Wine.
  const fs::path system32 = DriveC() / "windows/system32";
  const fs::path site = FindList(m_strRelease).parent_path();
  EXPECT_EQ(ReadBytes(system32 / "VamoPlugin.dll"), ReadBytes(site / "VamoPlugin.dll"));
  for (const char* name : {"VamoCtl.dll", "VamoCtl.txt", "VamoExt.dll"}) {
    EXPECT_TRUE(HasFileIgnoringCase(system32, name)) << name;
  }
  EXPECT_FALSE(fs::exists(DriveC() / "windows/Downloaded Program Files/VamoOld.dll"));
  std::vector<fs::path> agentLogs;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(DriveC() / "users")) {
    if (entry.path().filename() == "VamoAgent.log") agentLogs.push_back(entry.path());
  }
  ASSERT_EQ(agentLogs.size(), 1u);
  EXPECT_EQ(ReadBytes(agentLogs[0]), "VamoAgent ran /silent\r\n");

  // The registry, through Wine's own reg.exe: what the self-registering
  // libraries, the INF, the hook and the registry items wrote.
  const std::string user = RegQuery(Prefix(), "HKCU\\Software\\Vamo");
  EXPECT_TRUE(Contains(user, "VamoPlugin.dll    REG_SZ    C:\\windows\\system32\\VamoPlugin.dll")) << user;
  EXPECT_TRUE(Contains(user, "VamoCtl.dll    REG_SZ    C:\\windows\\system32\\VamoCtl.dll")) << user;
  EXPECT_TRUE(Contains(Lower(user), "vamoext.dll    reg_sz    c:\\windows\\system32\\vamoext.dll")) << user;
  EXPECT_TRUE(Contains(user, "Version    REG_SZ    1,0,1,7")) << user;
  EXPECT_TRUE(Contains(user, "Arguments    REG_SZ    /install")) << user;
  EXPECT_TRUE(Contains(user, "Channel    REG_DWORD    0x2")) << user;
  EXPECT_TRUE(Contains(user, "\\AppData\\LocalLow\\VamoPlugin")) << user;
  EXPECT_FALSE(Contains(user, "LegacyMode")) << user;
  const std::string machine = RegQuery(Prefix(), "HKLM\\SOFTWARE\\Vamo\\VamoPlugin");
  EXPECT_TRUE(Contains(machine, "Path    REG_SZ    C:\\windows\\system32\\VamoPlugin.dll")) << machine;
}

INSTANTIATE_TEST_SUITE_P(Transports, RepairUnderWineInLab,
                         ::testing::Values(Transport{"Http", false}, Transport{"Https", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// ---------------------------------------------------------------------------
// The Linux program and the Windows program repair alike machines from one
// update list: their saved reports are equal line for line but for the lines
// that describe the machine itself.

// The list both systems get: the kinds of item both demo releases carry,
// each file built for the system that downloads it (the help archive and the
// platform notes are the same bytes for both). "{URL}" is the list's folder.
const char kCommonList[] =
    "[GENERAL]\r\nVERSION=1.0.1.7\r\n\r\n"
    "[VamoPlugin.dll]\r\nTYPE=FILE\r\nDESCRIPTION=Vamo payment plug-in\r\nVERSION=1,0,1,7\r\n"
    "DOWNLOAD_FULL_URL={URL}VamoPlugin.dll\r\nINSTALL_PATH=%System%\r\nREGISTER=TRUE\r\n\r\n"
    "[VamoAgent.exe]\r\nTYPE=FILE\r\nDESCRIPTION=Vamo update agent\r\nVERSION=1,0,1,7\r\n"
    "DOWNLOAD_FULL_URL={URL}VamoAgent.exe\r\nINSTALL_PATH=\r\nRUN=TRUE\r\nRUNSILENT=TRUE\r\n\r\n"
    "[VamoHelp.txt]\r\nTYPE=FILE\r\nDESCRIPTION=Help text, packed\r\nVERSION=1,0,0,2\r\n"
    "DOWNLOAD_FULL_URL={URL}VamoHelp.zip\r\nINSTALL_PATH=%Windows%\\Vamo\r\n"
    "INSTALL_PATH_VISTA=%LocalLow%\\VamoPlugin\\help\r\nCOMPRESSED=TRUE\r\n\r\n"
    "[VamoCtl.cab]\r\nTYPE=CABINET\r\nDESCRIPTION=Vamo payment control\r\nDOWNLOAD_FULL_URL={URL}VamoCtl.cab\r\n\r\n"
    "[VamoPlugin.Path]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_LOCAL_MACHINE\r\nSUB_KEY=SOFTWARE\\Vamo\\VamoPlugin\r\n"
    "REGISTRY=REG_STR\r\nKEY_NAME=Path\r\nKEY_VALUE=%System%\\VamoPlugin.dll\r\n\r\n"
    "[VamoPlugin.Channel]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_CURRENT_USER\r\nSUB_KEY=Software\\Vamo\\VamoPlugin\r\n"
    "REGISTRY=REG_DWORD\r\nKEY_NAME=Channel\r\nKEY_VALUE=2\r\n\r\n"
    "[VamoPlugin.OldFlag]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_CURRENT_USER\r\nSUB_KEY=Software\\Vamo\\VamoPlugin\r\n"
    "REGISTRY=REG_DEL_NAME\r\nKEY_NAME=LegacyMode\r\n\r\n"
    "[VamoOld.dll]\r\nTYPE=REMOVE\r\nDESCRIPTION=The plug-in of an earlier release\r\nINSTALL_PATH=%AX Path%\r\n\r\n"
    "[VamoPlatform.XP.txt]\r\nTYPE=FILE\r\nDESCRIPTION=Platform notes for Windows XP only\r\nPLATFORM=1\r\n"
    "VERSION=1,0,1,7\r\nDOWNLOAD_FULL_URL={URL}VamoPlatform.XP.txt\r\nINSTALL_PATH=\r\n\r\n"
    "[VamoPlatform.Win7.txt]\r\nTYPE=FILE\r\nDESCRIPTION=Platform notes for Windows 7 only\r\nPLATFORM=8\r\n"
    "VERSION=1,0,1,7\r\nDOWNLOAD_FULL_URL={URL}VamoPlatform.Win7.txt\r\nINSTALL_PATH=\r\n\r\n"
    "[npvamoplugin.dll]\r\nTYPE=FILE\r\nDESCRIPTION=Vamo plug-in for other browsers\r\nVERSION=1,0,1,7\r\n"
    "DOWNLOAD_FULL_URL={URL}npvamoplugin.dll\r\nINSTALL_PATH=%Program Files%\\Mozilla Firefox\\plugins\r\n"
    "NPFLAG=TRUE\r\n";

// The report lines (by how they begin) that describe the machine itself and
// so differ between the personality on a Linux host and a Wine prefix on it.
const std::vector<std::string> kMachineLines = {
    // Wine reads the processor's brand string, the personality the model
    // name of /proc/cpuinfo.
    "프로세서 : ",
    // Free memory and commit charge at the moment each run asked.
    "메모리 : ",
    "페이지파일 : ",
    // The user address space: Wine's ends one megabyte short of 128 TB.
    "가상메모리 : ",
    // The adapter's device path and name: Wine names an adapter by a GUID
    // of its interface index and "NetDev", the personality by the Linux
    // interface name.
    "\\\\.\\",
    "Adapter : ",
    // Wine's IP Helper reports node type Hybrid; the personality has no
    // NetBIOS and leaves the type empty (a gap of ours, not of Wine's).
    "Node Type : ",
};

bool DescribesTheMachine(const std::string& line) {
  return std::any_of(kMachineLines.begin(), kMachineLines.end(),
                     [&](const std::string& start) { return line.starts_with(start); });
}

// `vamo-tool report show` of a saved report, without the machine's lines.
std::vector<std::string> ComparableReportLines(const std::string& report) {
  ToolOutput shown = RunTool({"report", "show", report});
  EXPECT_EQ(shown.exitStatus, 0) << shown.err;
  std::vector<std::string> lines;
  for (const std::string& line : WindowsLines(shown.out)) {
    if (!DescribesTheMachine(line)) lines.push_back(line);
  }
  return lines;
}

class RepairOnBothSystemsUnderWineInLab : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_WINE_LAB();
    const std::string url = VAMO_UPDATE_LIST_URL;
    const size_t host = url.find("://");
    ASSERT_NE(host, std::string::npos);
    const size_t path = url.find('/', host + 3);
    ASSERT_NE(path, std::string::npos);
    m_strListPath = url.substr(path);
    m_strFolderUrl = url.substr(0, url.rfind('/') + 1);
  }

  // A site serving kCommonList over these files: the system's own payload
  // from its release, the shared files from the Windows release.
  std::string MakeSite(const std::string& strName, const std::string& strRelease) {
    const fs::path root = fs::path(m_out.Path()) / strName;
    const fs::path list = root / m_strListPath.substr(1);
    const fs::path folder = list.parent_path();
    fs::create_directories(folder);
    const fs::path own = FindList(strRelease).parent_path();
    const fs::path shared = FindList(kRelease).parent_path();
    for (const char* name : {"VamoPlugin.dll", "VamoAgent.exe", "VamoCtl.cab", "npvamoplugin.dll"}) {
      fs::copy_file(own / name, folder / name);
    }
    for (const char* name : {"VamoHelp.zip", "VamoPlatform.XP.txt", "VamoPlatform.Win7.txt"}) {
      fs::copy_file(shared / name, folder / name);
    }
    std::string text = kCommonList;
    for (size_t at = text.find("{URL}"); at != std::string::npos; at = text.find("{URL}", at)) {
      text.replace(at, 5, m_strFolderUrl);
    }
    const std::string ini = m_out.WriteFile(strName + ".ini", text);
    ToolOutput signed_ = RunProgram(VAMO_PUBLISH_PATH, {"sign", "--key", VAMO_DEMO_LIST_KEY, "--in", ini, "--files",
                                                        folder.string(), "--out", list.string()});
    EXPECT_EQ(signed_.exitStatus, 0) << signed_.err;
    return root.string();
  }

  // The Windows program's run; returns the saved report's host path.
  std::string RepairOnWindows() {
    NetworkLab& lab = *SharedWineLab().lab;
    EXPECT_TRUE(lab.Set({"defaults"})) << lab.Error();
    EXPECT_TRUE(lab.Publish(MakeSite("site-windows", kRelease))) << lab.Error();
    const std::string prefix = m_out.Path() + "/wine";
    MakeWindowsMachine(prefix, kRelease, m_out.Path());
    ToolOutput repair =
        SharedWineLab().wine->RunIn(prefix, {WineInLab::WindowsToolPath(), "repair", "--report", "C:\\repair.rpt"});
    EXPECT_EQ(repair.exitStatus, 0) << repair.out << repair.err;
    m_strWinePrefix = prefix;
    return prefix + "/drive_c/repair.rpt";
  }

  // Internet Explorer's values as the Wine prefix has them, "NAME=DATA".
  std::vector<std::pair<std::string, std::string>> WineExplorerValues() const {
    std::vector<std::pair<std::string, std::string>> values;
    const std::string out = RegQuery(m_strWinePrefix, "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer");
    for (const std::string& line : WindowsLines(out)) {
      if (line.starts_with("HKEY_") && !values.empty()) break;  // a subkey's block
      const size_t type = line.find("    REG_SZ    ");
      if (!line.starts_with("    ") || type == std::string::npos) continue;
      values.emplace_back(line.substr(4, type - 4), line.substr(type + 14));
    }
    return values;
  }

  // The Linux program's run on a machine like the Wine prefix: Windows 7
  // SP1 x64 in English, Internet Explorer's values as Wine has them, no
  // other browser, the same earlier plug-in; returns the report's path.
  std::string RepairOnLinux() {
    const std::string prefix = m_out.Path() + "/linux";
    const std::vector<std::string> env = {"VAMO_PREFIX=" + prefix};
    ToolOutput init = RunTool({"prefix", "init", "--lang", "0x0409"}, env);
    EXPECT_EQ(init.exitStatus, 0) << init.err;
    fs::copy_file(SharedWineLab().lab->CaPath(), prefix + "/certs/root/vamo-lab.pem");
    fs::copy_file(std::string(VAMO_DEMO_RELEASE) + "/pki/ca.pem", prefix + "/certs/root/vamo-demo-ca.pem");
    for (const auto& [name, data] : WineExplorerValues()) {
      ToolOutput added =
          RunTool({"reg", "add", "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer", "/v", name, "/d", data, "/f"}, env);
      EXPECT_EQ(added.exitStatus, 0) << added.err;
    }
    const ToolOutput old = RunTool({"path", "C:\\Windows\\Downloaded Program Files\\VamoOld.dll"}, env);
    std::string oldPath = old.out.substr(0, old.out.find('\n'));
    fs::create_directories(fs::path(oldPath).parent_path());
    std::ofstream(oldPath) << "an obsolete plug-in\n";

    NetworkLab& lab = *SharedWineLab().lab;
    EXPECT_TRUE(lab.Set({"defaults"})) << lab.Error();
    EXPECT_TRUE(lab.Publish(MakeSite("site-linux", VAMO_DEMO_RELEASE))) << lab.Error();
    const std::string report = m_out.Path() + "/linux.rpt";
    // In a process namespace of its own: the install ends processes named
    // like browsers.
    std::vector<std::string> command = {"/usr/bin/env", "VAMO_PREFIX=" + prefix, "/usr/bin/unshare", "--pid", "--fork",
                                        "--mount-proc", "--", "/bin/bash", "-c", "\"$@\"; exit $?", "repair",
                                        VAMO_LAB_TOOL, "exec", lab.Name(), "--", VAMO_TOOL_PATH, "repair",
                                        "--report", report};
    if (geteuid() != 0) command.insert(command.begin(), {"/usr/bin/sudo", "-n"});
    ToolOutput repair = RunProgram(command[0], std::vector<std::string>(command.begin() + 1, command.end()));
    EXPECT_EQ(repair.exitStatus, 0) << repair.out << repair.err;
    return report;
  }

  TempDir m_out;
  std::string m_strListPath;   // "/VamoSetup_1.0.1.7.ver"
  std::string m_strFolderUrl;  // "http://update.vamo.test/"
  std::string m_strWinePrefix;
};

TEST_F(RepairOnBothSystemsUnderWineInLab, ReportsAreEqualButForTheMachinesOwnLines) {
  const std::string windows = RepairOnWindows();
  const std::string linux = RepairOnLinux();
  const std::vector<std::string> fromWindows = ComparableReportLines(windows);
  const std::vector<std::string> fromLinux = ComparableReportLines(linux);
  ASSERT_FALSE(fromWindows.empty());
  EXPECT_EQ(fromWindows.back(), "------- INSTALL END -------");
  const size_t common = std::min(fromWindows.size(), fromLinux.size());
  for (size_t i = 0; i < common; ++i) {
    EXPECT_EQ(fromWindows[i], fromLinux[i]) << "line " << i + 1;
  }
  EXPECT_EQ(fromWindows.size(), fromLinux.size());
}
