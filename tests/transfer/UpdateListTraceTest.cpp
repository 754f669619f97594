#include <gtest/gtest.h>

#include <string>

#include "tests/transfer/TransferTestSupport.h"
#include "tests/transfer/UpdateListTest.h"

namespace {

TEST_F(UpdateListTest, TraceNamesTheLetterAfterTheEndMarker) {
  TraceCapture trace;
  EXPECT_EQ(VerifyText(SignedList() + "\r\nZ"), kListCheckTrailing);
  EXPECT_TRUE(trace.Contains("CVamoUpdaterCtrl::VerFileCheck .. [" + m_strList + "] 파일이 위변조 되었습니다.[Z] "));
  EXPECT_TRUE(trace.Contains("CUpdater::UpdateList_Verify()=>VerFileCheck() Version 파일이 위변조 되었음...[" + m_strList + "]..."));
}

}  // namespace
