// `vamo-tool repair` as a program: started in the lab's client namespace, in
// a process namespace of its own, its output through a pipe, its exit
// status and the report it saves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/SetupDriver.h"
#include "tests/engine/InstallTestSupport.h"
#include "tests/engine/lab/LabRunSupport.h"
#include "tests/support/ToolRunner.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

class RepairToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VAMO_REQUIRE_LAB();
    if (!ResourceKeyIsDemoKey()) GTEST_SKIP() << "this build embeds another update-list key than the demo key";
    ToolOutput made = RunProgram("/bin/bash", {VAMO_DEMO_PREFIX_MAKER, m_prefix.Root(), VAMO_DEMO_RELEASE,
                                               VAMO_BROWSER_FIXTURES, VAMO_TOOL_PATH});
    ASSERT_EQ(made.exitStatus, 0) << made.err;
    NetworkLab& lab = SharedNetworkLab();
    ASSERT_TRUE(lab.IsUp()) << lab.Error();
    fs::copy_file(lab.CaPath(), m_prefix.Root() + "/certs/root/vamo-lab.pem", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(lab.Set({"defaults"})) << lab.Error();
    ASSERT_TRUE(lab.Publish(std::string(VAMO_DEMO_RELEASE) + "/site")) << lab.Error();
  }

  // vamo-tool repair inside the lab, in a process namespace of its own (the
  // install ends processes named like browsers); a shell stays its first
  // process, so the tool sees that its network is the lab's.
  ToolOutput Repair() const {
    std::vector<std::string> command = {"env",
                                        "VAMO_PREFIX=" + m_prefix.Root(),
                                        "/usr/bin/unshare",
                                        "--pid",
                                        "--fork",
                                        "--mount-proc",
                                        "--",
                                        "/bin/bash",
                                        "-c",
                                        "\"$@\"; exit $?",
                                        "repair",
                                        VAMO_LAB_TOOL,
                                        "exec",
                                        SharedNetworkLab().Name(),
                                        "--",
                                        VAMO_TOOL_PATH,
                                        "repair",
                                        "--report",
                                        ReportPath()};
    if (geteuid() != 0) command.insert(command.begin(), {"/usr/bin/sudo", "-n"});
    return RunProgram("/usr/bin/timeout", [&] {
      std::vector<std::string> args = {"120"};
      args.insert(args.end(), command.begin(), command.end());
      return args;
    }());
  }
  std::string ReportPath() const { return m_out.Path() + "/repair.rpt"; }

  TempPrefix m_prefix;
  TempDir m_out;
};

TEST_F(RepairToolTest, ACompletedRunPrintsOneLinePerChangeAndSavesTheReport) {
  ToolOutput repair = Repair();
  ASSERT_EQ(repair.exitStatus, 0) << repair.out << repair.err;
  std::vector<std::string> lines = Lines(repair.out);
  ASSERT_GE(lines.size(), 8u) << repair.out;
  EXPECT_EQ(lines[0], "Orin 전자결제 - 전자결제 마법사");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "단계 1/5 사용자 환경 분석");
  EXPECT_EQ(lines[3], "결제 오류 원인 분석을 위하여 사용자 시스템 정보를 분석하고 있습니다. 잠시만 기다려 주십시오.");
  // Each step once, in order; no control characters through a pipe.
  std::vector<std::string> steps;
  for (const std::string& line : lines) {
    if (line.starts_with("단계 ")) steps.push_back(line);
    EXPECT_EQ(line.find_first_of("\r\x1b"), std::string::npos) << line;
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"단계 1/5 사용자 환경 분석", "단계 2/5 네트워크 분석",
                                             "단계 3/5 브라우저 분석", "단계 4/5 프로그램 설치/복구"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "실행완료 (2/9)"), lines.end()) << repair.out;
  EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
            (std::vector<std::string>{"", "케보 전자결제창 복구를 완료 하였습니다.",
                                      "결제를 하시던 곳에서 다시 한번 결제를 진행하여 주십시오.", "",
                                      "report: " + ReportPath()}));

  // The saved report: UTF-16LE after FF FE, the whole run's text.
  std::string saved = ReadHostFile(ReportPath());
  ASSERT_GE(saved.size(), 2u);
  EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(saved.size() % 2, 0u);
  ToolOutput shown = RunTool({"report", "show", ReportPath()});
  ASSERT_EQ(shown.exitStatus, 0) << shown.err;
  EXPECT_TRUE(shown.out.starts_with("------- 수동설치마법사 -------\n")) << shown.out;
  EXPECT_TRUE(shown.out.ends_with("-복사완료\n------- INSTALL END -------\n")) << shown.out;
  EXPECT_EQ(shown.out.find('\r'), std::string::npos);
  EXPECT_NE(shown.out.find("파일 : VamoCtl.cab\n-캐비넷설치\n"), std::string::npos);
}

TEST_F(RepairToolTest, AFailedRunEndsWithTheNumberedMessageInOutputAndReport) {
  ASSERT_TRUE(SharedNetworkLab().Set({"www80=closed"})) << SharedNetworkLab().Error();
  ToolOutput repair = Repair();
  EXPECT_EQ(repair.exitStatus, 1) << repair.out << repair.err;
  const std::string message =
      "1. 인터넷 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/80) [-9008]";
  std::vector<std::string> lines = Lines(repair.out);
  ASSERT_GE(lines.size(), 7u) << repair.out;
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 7, lines.end()),
      (std::vector<std::string>{"", "현재 인터넷 접속이 원활하지 않아 전자결제창 마법사 및 전자결제 서비스가 원활하지",
                                "않을 수 있습니다. 인터넷 접속을 다시 한번 확인하시기 바랍니다.", "", message, "",
                                "report: " + ReportPath()}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "단계 3/5 브라우저 분석"), 0) << "the run ended in phase 2";

  ToolOutput shown = RunTool({"report", "show", ReportPath()});
  ASSERT_EQ(shown.exitStatus, 0) << shown.err;
  EXPECT_TRUE(shown.out.ends_with("\n" + message + "\n")) << "the message closes the saved report";
  EXPECT_EQ(shown.out.find("INSTALL BEGIN"), std::string::npos);
}

}  // namespace
