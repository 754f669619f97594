#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SetupRun.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "tools/vamo-tool/RepairView.h"
#include "tools/vamo-tool/TerminalProgress.h"

namespace {

CSetupState InstallSnapshot() {
  CSetupState snapshot;
  snapshot.m_nPhase = SetupPhase::kInstall;
  snapshot.m_strStatus = CSetupDriver::kPhaseStatusText[2];
  snapshot.m_strCountLabel = "다운로드중";
  snapshot.m_strCountText = "(3/9)";
  snapshot.m_nCountCurrent = 3;
  snapshot.m_nCountTotal = 9;
  snapshot.m_strPercentLabel = "현재 파일";
  snapshot.m_strPercentText = "(45.00%)";
  snapshot.m_strPercentSubLabel = "a-very-long-name-of-a-plug-in-file-that-would-not-fit-anywhere.dll";
  snapshot.m_nPercentDone = 45;
  snapshot.m_nPercentTotal = 100;
  return snapshot;
}

// --------------------------------------------------------------- the strip

struct StripCase {
  const char* strLabel;
  int nPhase;
  bool bFailed;
  bool bInPlace;
  int nColumns;
  const char* strStrip;
};

class Strips : public ::testing::TestWithParam<StripCase> {};

TEST_P(Strips, NameTheCurrentStepWithinTheWidth) {
  const StripCase& strip = GetParam();
  std::string text = RepairView::Strip(strip.nPhase, strip.bFailed, strip.bInPlace, strip.nColumns);
  EXPECT_EQ(text, strip.strStrip);
  if (strip.bInPlace) {
    EXPECT_LE(TerminalProgress::DisplayWidth(text), strip.nColumns - 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Strips,
    ::testing::Values(StripCase{"FirstStepOnEightyColumns", 0, false, true, 80,
                                "[사용자 환경 분석] > 네트워크 분석 > 브라우저 분석 > 프로그램 설치/복구 > 완료"},
                      StripCase{"FailedStepTakesWideGaps", 1, true, true, 80,
                                "사용자 환경 분석  [네트워크 분석 오류]  브라우저 분석  프로그램 설치/복구  완료"},
                      StripCase{"NarrowTerminalNamesOnlyTheCurrentStep", 3, false, true, 60,
                                "1 > 2 > 3 > [4 프로그램 설치/복구] > 5"},
                      StripCase{"DoneOnAPipe", 4, false, false, 0, "단계 5/5 완료"},
                      StripCase{"FailedOnAPipe", 2, true, false, 0, "단계 3/5 브라우저 분석 오류"}),
    [](const auto& info) { return std::string(info.param.strLabel); });

// ------------------------------------------------------------- the lines

TEST(RepairViewTest, TerminalLinesFitAndTheirBarsEndInOneColumn) {
  for (int nColumns : {40, 80}) {
    std::vector<std::string> lines = RepairView::TerminalLines(InstallSnapshot(), nColumns, 0);
    ASSERT_GE(lines.size(), 5u);
    for (const std::string& line : lines) EXPECT_LE(TerminalProgress::DisplayWidth(line), nColumns - 1) << line;
    // The status text is wrapped at spaces, never cut.
    std::string status;
    for (size_t i = 1; i + 2 < lines.size(); ++i) status += (i > 1 ? " " : "") + lines[i];
    EXPECT_EQ(status, "케보 전자결제를 하기 위해 필요한 파일을 설치 및 복구하고 있습니다. 잠시만 기다려 주십시오.");
    const std::string& count = lines[lines.size() - 2];
    const std::string& percent = lines.back();
    EXPECT_EQ(TerminalProgress::DisplayWidth(count), TerminalProgress::DisplayWidth(percent)) << nColumns;
    EXPECT_TRUE(count.starts_with("다운로드중 (3/9)"));
    EXPECT_TRUE(percent.starts_with("현재 파일 (45.00%)"));
    EXPECT_NE(percent.find("~ ["), std::string::npos) << "a name too long is cut visibly: " << percent;
    // The cursor rests after the last line: an echoed "^C" must fit there.
    EXPECT_LE(TerminalProgress::DisplayWidth(percent), nColumns - 3);
  }
}

TEST(RepairViewTest, AnalysisPhasesShowAMovingBarInsteadOfTheProgressLines) {
  CSetupState snapshot;
  snapshot.m_nPhase = SetupPhase::kNetworkAnalysis;
  snapshot.m_strStatus = "DNS 를 검사중입니다.";
  std::vector<std::string> first = RepairView::TerminalLines(snapshot, 80, 0);
  std::vector<std::string> later = RepairView::TerminalLines(snapshot, 80, 7);
  ASSERT_EQ(first.size(), 5u);
  EXPECT_EQ(first[1], "DNS 를 검사중입니다.");
  EXPECT_EQ(first[2], "");
  EXPECT_NE(first[3], later[3]) << "the bar moves";
  EXPECT_NE(later[3].find('#'), std::string::npos);
  EXPECT_EQ(first[4], "");
}

TEST(RepairViewTest, PipeLinesChangeOnlyForWhatIsWorthALine) {
  CSetupState snapshot = InstallSnapshot();
  std::vector<std::string> lines = RepairView::PipeLines(snapshot);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "단계 4/5 프로그램 설치/복구",
                       "케보 전자결제를 하기 위해 필요한 파일을 설치 및 복구하고 있습니다. 잠시만 기다려 주십시오.",
                       "다운로드중 (3/9)", "현재 파일 40% " + snapshot.m_strPercentSubLabel}));
  // A few more bytes of the same tenth, and the completion text the command
  // prints at its end, change no line.
  snapshot.m_nPercentDone = 49;
  snapshot.m_strStatus = CSetupDriver::kPhaseStatusText[3];
  snapshot.m_nPhase = SetupPhase::kDone;
  EXPECT_EQ(RepairView::PipeLines(snapshot), lines);
  // Before the first percent line there is none.
  snapshot.m_strPercentLabel.clear();
  EXPECT_EQ(RepairView::PipeLines(snapshot).size(), 3u);
}

TEST(RepairViewTest, ErrorTextFollowsThePhaseThatFailed) {
  EXPECT_EQ(RepairView::ErrorText(3, "1588-0000", "help@vamo.test"),
            (std::vector<std::string>{"하나 이상의 파일에서 오류가 발생 하였습니다. ",
                                      "고객센터 ( 1588-0000, help@vamo.test )로 문의 주시기 바랍니다."}));
  EXPECT_EQ(RepairView::ErrorText(1, "", "").size(), 2u);
  EXPECT_TRUE(RepairView::ErrorText(0, "", "")[0].starts_with("현재 인터넷 접속이 원활하지 않아"));
}

// ------------------------------------------------------ report show

class ReportShowTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) { return m_dir.WriteFile("saved.rpt", bytes); }
  TempPrefix m_prefix;
  TempDir m_dir;
};

TEST_F(ReportShowTest, PrintsASavedReportAsUtf8Lines) {
  // "A\r\n가\r\n" as a setup report saves it.
  std::string path =
      Write(std::string("\xFF\xFE"
                        "A\0\r\0\n\0\x00\xAC\r\0\n\0",
                        14));
  ToolOutput shown = RunTool({"report", "show", path});
  EXPECT_EQ(shown.exitStatus, 0) << shown.err;
  EXPECT_EQ(shown.out, "A\n가\n");
}

TEST_F(ReportShowTest, RefusesWhatIsNoSetupReport) {
  for (const std::string& bytes : {std::string("plain text\r\n"), std::string("\xFE\xFF\0A", 4),
                                   std::string("\xFF\xFE"
                                               "A\0B",
                                               5)}) {
    ToolOutput shown = RunTool({"report", "show", Write(bytes)});
    EXPECT_EQ(shown.exitStatus, 1);
    EXPECT_EQ(shown.out, "");
    EXPECT_NE(shown.err.find("setup report"), std::string::npos) << shown.err;
  }
  ToolOutput missing = RunTool({"report", "show", m_dir.Path() + "/missing.rpt"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find("cannot be read"), std::string::npos);
}

}  // namespace
