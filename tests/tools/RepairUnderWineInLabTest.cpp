// The Windows program's whole repair (vamo-tool.exe repair under Wine) inside
// the network lab, on the Windows demo release the lab's update host serves:
// a fresh Wine prefix trusting the lab's CA and the publisher's, the run's
// output and exit status, and then, read from outside Wine, the files the
// install left in the prefix's drive_c and the registry values `reg query`
// shows. Once as the release is made (every download over HTTP) and once
// with its list naming every file over HTTPS (WinINet verifying the lab's
// certificates against the prefix's ROOT store).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
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
  const fs::path old = fs::path(strPrefix) / "drive_c/windows/Downloaded Program Files/VamoOld.dll";
  fs::create_directories(old.parent_path());
  std::ofstream(old) << "an obsolete plug-in\n";
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
