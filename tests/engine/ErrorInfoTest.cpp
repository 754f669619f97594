#include "engine/ErrorInfo.h"

#include <gtest/gtest.h>

#include "engine/ErrorCodes.h"

namespace {

struct MessageCase {
  int code;
  int network;
  const char* message;
};

class ErrorInfoMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorInfoMessages, FormatsTheNumberedMessageWithTheCode) {
  CErrorInfo info;
  info.SetError(GetParam().code, "");
  EXPECT_EQ(info.m_strMessage, GetParam().message);
  EXPECT_EQ(info.m_bNetwork, GetParam().network);
  EXPECT_EQ(info.m_nCode, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorInfoMessages,
    ::testing::Values(
        MessageCase{-9001, 1, "1. 랜카드 정보를 가져올수 없습니다. [-9001]"},
        MessageCase{-9003, 1, "1. 랜카드 정보를 가져올수 없습니다. [-9003]"},
        MessageCase{-9004, 1,
                    "1. 네트워크 디바이스에 연결할수 없습니다. 문제가 지속되면 재부팅하고 다시 시도해 주십시오.[-9004]"},
        MessageCase{-9005, 1, "1. 네트워크에 연결된 랜카드 정보가 없습니다. [-9005]"},
        MessageCase{-9012, 1,
                    "1. 케보 서버와 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/SSL:443) "
                    "[-9012]"},
        MessageCase{-9201, 0, "1. 업데이트 리스트를 다운로드 하는데 실패 했습니다. [-9201]"},
        MessageCase{-9204, 0,
                    "1. 하나 이상의 파일에서 오류가 발생 하였습니다.\n\n컴퓨터를 재부팅후 다시 시도해 주십시오. 문제가 "
                    "지속되면 고객센터로 문의 해주시기 바랍니다. [-9204]"},
        MessageCase{-9301, 0, "1. 사용자 계정이 관리자 계정이 아닙니다. 관리자 계정으로 다시 시도해 주십시오. [-9301]"},
        MessageCase{-9302, 0, "1. 디렉토리 또는 파일에 접근할 수 없습니다. [-9302]"}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return "Code" + std::to_string(-info.param.code); });

TEST(ErrorInfo, FolderCodeKeepsThePathAndClearsTheNetworkFlag) {
  CErrorInfo info;
  info.SetError(kErrNetNoConnectedAdapter, "");
  ASSERT_EQ(info.m_bNetwork, 1);
  info.SetError(kErrFolderAccess, "C:\\x");
  EXPECT_EQ(info.m_strDetail, "C:\\x");
  EXPECT_EQ(info.m_bNetwork, 0);
}

TEST(ErrorInfo, UnknownCodeLeavesTheMessageAsItWas) {
  CErrorInfo fresh;
  fresh.SetError(-1, "");
  EXPECT_EQ(fresh.m_strMessage, "");
  EXPECT_EQ(fresh.m_bNetwork, 0);
  EXPECT_EQ(fresh.m_nCode, -1);

  CErrorInfo used;
  used.SetError(kErrNetDns, "");
  used.SetError(kErrItemDownload, "");  // kept in items only, no message of its own
  EXPECT_EQ(used.m_strMessage, "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [-9007]");
  EXPECT_EQ(used.m_bNetwork, 0);
}

}  // namespace
