#include "engine/ErrorInfo.h"

#include <cstdio>

#include "engine/ErrorCodes.h"

namespace {

struct MessageRow {
  int nCode;
  int bNetwork;
  const char* pszFormat;  // holds one %d for the code
};

constexpr MessageRow kMessages[] = {
    {kErrNetAdapterInfo1, 1, "1. 랜카드 정보를 가져올수 없습니다. [%d]"},
    {kErrNetAdapterInfo2, 1, "1. 랜카드 정보를 가져올수 없습니다. [%d]"},
    {kErrNetAdapterInfo3, 1, "1. 랜카드 정보를 가져올수 없습니다. [%d]"},
    {kErrNetDevice, 1, "1. 네트워크 디바이스에 연결할수 없습니다. 문제가 지속되면 재부팅하고 다시 시도해 주십시오.[%d]"},
    {kErrNetNoConnectedAdapter, 1, "1. 네트워크에 연결된 랜카드 정보가 없습니다. [%d]"},
    {kErrNetNoGateway, 1, "1. 네트워크에 연결된 게이트웨이 정보가 없습니다. [%d]"},
    {kErrNetDns, 1, "1. DNS 서버와 통신이 되지 않습니다. DNS 서버 설정을 확인해 주십시오. [%d]"},
    {kErrNetInternetHttp, 1,
     "1. 인터넷 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/80) [%d]"},
    {kErrNetInternetSsl, 1,
     "1. 인터넷 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/SSL:443) [%d]"},
    {kErrNetServerHttp, 1,
     "1. 케보 서버와 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/80) [%d]"},
    {kErrNetServerSsl, 1,
     "1. 케보 서버와 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (SSL:443) [%d]"},
    {kErrNetServerHttpSsl, 1,
     "1. 케보 서버와 연결이 되지 않습니다. 인터넷 설정 및 방화벽 설정을 확인해 주십시오. (HTTP/SSL:443) [%d]"},
    {kErrUpdateListDownload, 0, "1. 업데이트 리스트를 다운로드 하는데 실패 했습니다. [%d]"},
    {kErrUpdateListVerify, 0, "1. 업데이트 리스트를 검증 하는데 실패 했습니다. [%d]"},
    {kErrUpdateListParse, 0, "1. 업데이트 리스트를 분석 하는데 실패 했습니다. [%d]"},
    {kErrInstallItems, 0,
     "1. 하나 이상의 파일에서 오류가 발생 하였습니다.\n\n컴퓨터를 재부팅후 다시 시도해 주십시오. 문제가 지속되면 "
     "고객센터로 문의 해주시기 바랍니다. [%d]"},
    {kErrNotAdministrator, 0, "1. 사용자 계정이 관리자 계정이 아닙니다. 관리자 계정으로 다시 시도해 주십시오. [%d]"},
    {kErrFolderAccess, 0, "1. 디렉토리 또는 파일에 접근할 수 없습니다. [%d]"},
};

}  // namespace

void CErrorInfo::SetError(int code, const std::string& detail) {
  m_nCode = code;
  m_strDetail = detail;
  m_bNetwork = 0;
  for (const MessageRow& row : kMessages) {
    if (row.nCode != code) continue;
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, row.pszFormat, code);
    m_strMessage = buffer;
    m_bNetwork = row.bNetwork;
    return;
  }
}
