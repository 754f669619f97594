#include <gtest/gtest.h>

#include <string>

#include "engine/ErrorCodes.h"
#include "engine/SetupRun.h"
#include "platform/gui/MessageQueue.h"
#include "tests/support/TempPrefix.h"

namespace {

// What the front end does when the run posts WM_SETUP_ERROR: the message as
// the error page shows it closes the report, as text.
struct ErrorCase {
  const char* strLabel;
  int nCode;
  const char* strDetail;
  const char* strText;
};

class SetupRunErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SetupRunErrors, CloseTheReportWithTheShownText) {
  TempPrefix prefix;
  platform::gui::MessageQueue window;
  CSetupRun run(&window);
  run.m_setupReport.AppendLine("------- INSTALL END -------\r\n");
  run.m_errorInfo.SetError(GetParam().nCode, GetParam().strDetail);

  const std::string text = run.OnSetupError();
  EXPECT_EQ(text, GetParam().strText);
  EXPECT_EQ(run.ErrorMessageText(), text);
  EXPECT_EQ(run.m_setupReport.TextUtf8(), std::string("------- INSTALL END -------\r\n") + GetParam().strText);
  EXPECT_TRUE(run.TakeSnapshot().m_bErrorMode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupRunErrors,
    ::testing::Values(
        ErrorCase{"WithoutDetail", kErrUpdateListVerify, "", "1. 업데이트 리스트를 검증 하는데 실패 했습니다. [-9202]"},
        ErrorCase{"WithTheFolder", kErrFolderAccess, "C:\\Users\\me\\AppData\\LocalLow\\VamoPlugin",
                  "1. 디렉토리 또는 파일에 접근할 수 없습니다. [-9302] (C:\\Users\\me\\AppData\\LocalLow\\VamoPlugin)"},
        ErrorCase{"PercentSignsStayText", kErrFolderAccess, "C:\\100%s%d%n",
                  "1. 디렉토리 또는 파일에 접근할 수 없습니다. [-9302] (C:\\100%s%d%n)"}),
    [](const auto& info) { return std::string(info.param.strLabel); });

}  // namespace
