#include "diagnostics/NetworkAnalysis.h"

#include <chrono>
#include <new>
#include <thread>
#include <utility>

#include "diagnostics/NetworkCodes.h"
#include "diagnostics/Probes.h"
#include "platform/net/AdapterDevice.h"
#include "platform/net/AdaptersInfo.h"
#include "platform/net/NetworkParams.h"
#include "platform/text/Format.h"
#include "system/Trace.h"

namespace {

// Status texts shown when each step starts.
constexpr char kStatusNetworkParams[] = "시스템의 네트워크 정보를 가져오고 있습니다.";
constexpr char kStatusAdapters[] = "네트워크 장치 정보를 가져오고 있습니다.";
constexpr char kStatusDevices[] = "네트워크 장치를 검사중입니다.";
constexpr char kStatusGateways[] = "게이트웨이와 통신이 정상인지 테스트하고 있습니다.";
constexpr char kStatusDns[] = "DNS 를 검사중입니다.";
constexpr char kStatusInternetHttp[] = "인터넷 통신을 점검중 입니다.";
constexpr char kStatusInternetSsl[] = "인터넷 보안채널 통신을 점검중 입니다.";
constexpr char kStatusPaymentServer[] = "케보 서버와 통신을 점검중입니다.";

// Verdicts kept in the items.
constexpr char kConfirmed[] = "확인됨.";
constexpr char kChecking[] = "확인중.";
constexpr char kWaiting[] = "대기중";
constexpr char kConnectedText[] = "연결됨";
constexpr char kNotConnectedText[] = "연결안됨";
constexpr char kDeviceOpenFailText[] = "장비에 접근할수 없습니다.";
constexpr char kDeviceNoAnswerText[] = "장비가 응답하지 않습니다.";
constexpr char kGatewayNoAnswerText[] = "게이트웨이가 응답하지 않습니다.";
constexpr char kDnsNoAnswerText[] = "DNS 서버가 응답하지 않습니다.";
constexpr char kServerHttpFailText[] = "HTTP 서버와의 접속이 불가합니다.";
constexpr char kServerSslFailText[] = "보안 채널 서버와의 접속이 불가합니다.";
constexpr char kServerBothFailText[] = "케보 서버와 접속이 되지 않습니다.";
constexpr char kReachable[] = " : 정상";
constexpr char kUnreachable[] = " : 접속불가";
constexpr char kSslReachable[] = " (SSL) : 정상";
constexpr char kSslUnreachable[] = " (SSL) : 접속불가";

constexpr char kParamsSizingFailed[] = "GetNetworkParams sizing failed with error";
constexpr char kMemoryAllocationError[] = "Memory allocation error";

constexpr char kPortHttp[] = "80";
constexpr char kPortSsl[] = "443";

std::string NodeTypeText(uint32_t nodeType) {
  switch (nodeType) {
    case platform::net::kNodeBroadcast: return "Broadcast";
    case platform::net::kNodePeerToPeer: return "Peer to peer";
    case platform::net::kNodeMixed: return "Mixed";
    case platform::net::kNodeHybrid: return "Hybrid";
    default: return {};
  }
}

std::string AdapterTypeText(uint32_t type) {
  switch (type) {
    case platform::net::kIfTypeEthernet: return "ETHERNET";
    case platform::net::kIfTypeTokenRing: return "TOKEN RING";
    case platform::net::kIfTypeFddi: return "FDDI";
    case platform::net::kIfTypePpp: return "PPP";
    case platform::net::kIfTypeLoopback: return "LOOPBACK";
    case platform::net::kIfTypeSlip: return "SLIP";
    default: return "OTHER";
  }
}

// "00-1A-2B-3C-4D-5E\r\n": two upper-case digits per byte, "-" between them
// and the line end after the last.
std::string MacText(const std::vector<uint8_t>& address) {
  std::string text;
  for (size_t i = 0; i < address.size(); ++i) {
    text += platform::Format(i + 1 < address.size() ? "%.2X-" : "%.2X\r\n", address[i]);
  }
  return text;
}

// A lease time in local time; empty when the adapter has none.
std::string LeaseTimeText(int64_t seconds) {
  return seconds == 0 ? std::string() : platform::FormatLocalTime("%Y-%m-%d %H:%M:%S", seconds);
}

}  // namespace

CNetworkAnalysis::CNetworkAnalysis(IReportSink& report, IStatusSink& status, std::string strCarrierWebHost,
                                   std::string strPaymentServer)
    : m_report(report),
      m_status(status),
      m_strCarrierWebHost(std::move(strCarrierWebHost)),
      m_strPaymentServer(std::move(strPaymentServer)) {}

void CNetworkAnalysis::Pause() const {
  if (m_nStepPauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_nStepPauseMs));
}

int CNetworkAnalysis::AnalyzeNetwork() {
  // What the first group finds is recorded; the reachability steps decide.
  for (int (CNetworkAnalysis::*step)() : {&CNetworkAnalysis::CheckNetworkParams, &CNetworkAnalysis::CheckAdapters,
                                          &CNetworkAnalysis::CheckDevices, &CNetworkAnalysis::CheckGateways}) {
    (this->*step)();
    Pause();
  }
  bool bFirst = true;
  for (int (CNetworkAnalysis::*step)() : {&CNetworkAnalysis::CheckDns, &CNetworkAnalysis::CheckInternetHttp,
                                          &CNetworkAnalysis::CheckInternetSsl, &CNetworkAnalysis::CheckPaymentServer}) {
    if (!bFirst) Pause();
    bFirst = false;
    const int nResult = (this->*step)();
    if (nResult < 0) return nResult;
  }
  AppendNetworkSection();
  return 0;
}

int CNetworkAnalysis::CheckNetworkParams() {
  m_status.SetStatusText(kStatusNetworkParams);
  CNetParamsItem& item = m_netParamsItem;
  uint32_t nSize = 0;
  const platform::Win32Error sizing = platform::net::GetNetworkParamsSize(nSize);
  if (sizing != platform::kErrorSuccess && sizing != platform::kErrorBufferOverflow) {
    item.m_strDescription = kParamsSizingFailed;
    item.m_strStatusText = kParamsSizingFailed;
    item.m_nState = CCheckItem::kStateFailed;
    return kErrNetAdapterInfo1;
  }
  std::unique_ptr<platform::net::NetworkParams> pParams(new (std::nothrow) platform::net::NetworkParams());
  if (!pParams) {
    item.m_strDescription = kMemoryAllocationError;
    item.m_strStatusText = kMemoryAllocationError;
    item.m_nState = CCheckItem::kStateFailed;
    return kErrNetAdapterInfo2;
  }
  const platform::Win32Error error = platform::net::GetNetworkParams(nSize, *pParams);
  if (error != platform::kErrorSuccess) {
    item.m_strDescription = platform::Format("GetNetworkParams failed with error %d\r\n", static_cast<int>(error));
    item.m_strStatusText = item.m_strDescription;
    item.m_nState = CCheckItem::kStateFailed;
    return 0;
  }

  item.m_strHostName = pParams->strHostName;
  item.m_strName = pParams->strHostName;
  const std::vector<std::string>& servers = pParams->dnsServers;
  item.m_strFirstDns = servers.empty() ? std::string() : servers.front();
  // Every further entry overwrites the second server, so the last one stays.
  for (size_t i = 1; i < servers.size(); ++i) item.m_strSecondDns = servers[i];
  item.m_strNodeType = NodeTypeText(pParams->nodeType);
  item.m_strScopeId = pParams->strScopeId;
  item.m_bRoutingEnabled = static_cast<int>(pParams->enableRouting);
  item.m_bProxyEnabled = static_cast<int>(pParams->enableProxy);
  item.m_bDnsEnabled = static_cast<int>(pParams->enableDns);

  item.m_strDescription = "DNS Server : " + item.m_strFirstDns + "\r\n" + "DNS Server : " + item.m_strSecondDns +
                          "\r\n" + "Node Type : " + item.m_strNodeType + "\r\n";
  item.m_strStatusText = kConfirmed;
  item.m_nState = CCheckItem::kStateConfirmed;
  return 0;
}

int CNetworkAnalysis::CheckAdapters() {
  m_status.SetStatusText(kStatusAdapters);
  uint32_t nSize = 0;
  const platform::Win32Error sizing = platform::net::GetAdaptersInfoSize(nSize);
  if (sizing != platform::kErrorSuccess && sizing != platform::kErrorBufferOverflow) {
    Trace("GetAdaptersInfo sizing failed with error %d\n", static_cast<int>(sizing));
    return kErrNetAdapterInfo3;
  }
  std::unique_ptr<std::vector<platform::net::AdapterInfo>> pAdapters(new (std::nothrow)
                                                                         std::vector<platform::net::AdapterInfo>());
  if (!pAdapters) {
    Trace("Memory allocation error\n");
    return kErrNetAdapterInfo3;
  }
  const platform::Win32Error error = platform::net::GetAdaptersInfo(nSize, *pAdapters);
  if (error != platform::kErrorSuccess) {
    Trace("GetAdaptersInfo failed with error %d\n", static_cast<int>(error));
    return kErrNetAdapterInfo3;
  }

  for (const platform::net::AdapterInfo& adapter : *pAdapters) {
    auto pItem = std::make_unique<CAdapterItem>();
    pItem->m_strName = adapter.strDescription;
    pItem->m_strAdapterName = adapter.strAdapterName;
    pItem->m_strDevicePath = platform::net::AdapterDevicePath(adapter.strAdapterName);
    pItem->m_strType = AdapterTypeText(adapter.nType);
    pItem->m_strMac = MacText(adapter.address);
    pItem->m_bDhcpEnabled = static_cast<int>(adapter.bDhcpEnabled);
    // Each address overwrites the one before: the last one stays.
    for (const platform::net::IpAddressEntry& entry : adapter.ipAddressList) {
      pItem->m_strIpAddress = entry.strAddress;
      pItem->m_strSubnetMask = entry.strMask;
    }
    pItem->m_strGateway = adapter.gatewayList.empty() ? std::string() : adapter.gatewayList.front();
    pItem->m_strDhcpServer = adapter.strDhcpServer;
    pItem->m_strPrimaryWins = adapter.strPrimaryWinsServer;
    pItem->m_strSecondaryWins = adapter.strSecondaryWinsServer;
    pItem->m_strLeaseObtained = LeaseTimeText(adapter.leaseObtained);
    pItem->m_strLeaseExpires = LeaseTimeText(adapter.leaseExpires);
    pItem->m_strDescription = "Mac Address : " + pItem->m_strMac + "\r\n" + "IP Address : " + pItem->m_strIpAddress +
                              "\r\n" + "Subnet Mask : " + pItem->m_strSubnetMask + "\r\n" +
                              "Default Gateway : " + pItem->m_strGateway + "\r\n";
    pItem->m_nState = CCheckItem::kStateNotTested;
    pItem->m_bConnected = 0;
    pItem->m_strStatusText.clear();
    m_adapterList.push_back(std::move(pItem));
  }
  return 0;
}

int CNetworkAnalysis::CheckDevices() {
  m_status.SetStatusText(kStatusDevices);
  int nConnected = 0;
  int nFailed = 0;
  for (const std::unique_ptr<CAdapterItem>& pItem : m_adapterList) {
    if (!pItem) continue;
    CAdapterItem& item = *pItem;
    std::expected<platform::net::AdapterDevice, platform::Win32Error> device =
        platform::net::AdapterDevice::Open(item.m_strDevicePath);
    if (!device) {
      item.m_strStatusText = kDeviceOpenFailText;
      item.m_bConnected = 0;
      item.m_nState = CCheckItem::kStateFailed;
      item.m_strDescription = " (Device Open Fail...)";
      m_report.AppendLine("%s : Device Open Fail.\r\n", item.m_strDevicePath.c_str());
      ++nFailed;
      continue;
    }
    const std::expected<uint32_t, platform::Win32Error> media =
        device->QueryGlobalStats(platform::net::kOidGenMediaConnectStatus);
    if (!media) {
      item.m_strStatusText = kDeviceNoAnswerText;
      item.m_bConnected = 0;
      item.m_nState = CCheckItem::kStateFailed;
      item.m_strDescription = platform::Format(" (DeviceIoControl Error : %d)", static_cast<int>(media.error()));
      m_report.AppendLine("%s : Not Response.\r\n", item.m_strDevicePath.c_str());
      ++nFailed;
    } else if (*media == platform::net::kMediaStateConnected) {
      item.m_strStatusText = kConnectedText;
      item.m_bConnected = 1;
      item.m_nState = CCheckItem::kStateConfirmed;
      m_report.AppendLine("%s : Connected.\r\n", item.m_strDevicePath.c_str());
      if (item.m_strGateway == platform::net::kNoAddress) {
        m_report.AppendLine("%s : [Gateway Not found]\r\n", item.m_strDevicePath.c_str());
      } else {
        auto pGateway = std::make_unique<CGatewayItem>();
        pGateway->m_strName = item.m_strGateway;
        pGateway->m_strGatewayAddress = item.m_strGateway;
        pGateway->m_strAdapterDescription = item.m_strName;
        pGateway->m_strSourceAddress = item.m_strIpAddress;
        pGateway->m_nState = CCheckItem::kStateNotTested;
        pGateway->m_strStatusText = kChecking;
        pGateway->m_strDescription = pGateway->m_strAdapterDescription + "\r\n" + pGateway->m_strSourceAddress +
                                     "\r\n" + pGateway->m_strGatewayAddress + "\r\n";
        m_gatewayList.push_back(std::move(pGateway));
      }
      ++nConnected;
    } else {
      m_report.AppendLine("%s : Not Connected.\r\n", item.m_strDevicePath.c_str());
      item.m_bConnected = 0;
      item.m_nState = CCheckItem::kStateDegraded;
      item.m_strStatusText = kNotConnectedText;
    }
    device->Close();
  }
  if (nConnected > 0) return 0;
  return nFailed > 0 ? kErrNetDevice : kErrNetNoConnectedAdapter;
}

int CNetworkAnalysis::CheckGateways() {
  m_status.SetStatusText(kStatusGateways);
  int nAnswered = 0;
  for (const std::unique_ptr<CGatewayItem>& pGateway : m_gatewayList) {
    if (!pGateway) continue;
    if (PingHost(pGateway->m_strSourceAddress.c_str(), pGateway->m_strGatewayAddress.c_str()) == 0) {
      pGateway->m_nState = CCheckItem::kStateConfirmed;
      pGateway->m_strStatusText = kConfirmed;
      m_report.AppendLine("Gateway IP : %s [Connected]\r\n", pGateway->m_strGatewayAddress.c_str());
      ++nAnswered;
    } else {
      m_report.AppendLine("Gateway IP : %s [Not Response]\r\n", pGateway->m_strGatewayAddress.c_str());
      pGateway->m_nState = CCheckItem::kStateFailed;
      pGateway->m_strStatusText = kGatewayNoAnswerText;
    }
  }

  // Always two servers, the second one even when the system has none.
  for (const std::string& strAddress : {m_netParamsItem.m_strFirstDns, m_netParamsItem.m_strSecondDns}) {
    auto pDns = std::make_unique<CDnsItem>();
    pDns->m_strName = strAddress;
    pDns->m_strDescription = strAddress;
    pDns->m_strAddress = strAddress;
    pDns->m_nState = CCheckItem::kStateNotTested;
    pDns->m_strStatusText = kWaiting;
    const std::string strHostName = ReverseLookup(strAddress);
    if (!strHostName.empty()) {
      pDns->m_strName = strHostName;
      pDns->m_strHostName = strHostName;
      pDns->m_strDescription = "Host Name : " + strHostName + "\r\n" + "IP Address : " + strAddress + "\r\n";
    } else {
      pDns->m_strDescription = "IP Address : " + strAddress + "\r\n";
    }
    m_dnsList.push_back(std::move(pDns));
  }
  return nAnswered == 0 ? kErrNetNoGateway : 0;
}

int CNetworkAnalysis::CheckDns() {
  m_status.SetStatusText(kStatusDns);
  int nAnswered = 0;
  for (const std::unique_ptr<CDnsItem>& pDns : m_dnsList) {
    if (!pDns) continue;
    if (QueryDns(pDns->m_strAddress, m_strCarrierWebHost) == 0) {
      pDns->m_nState = CCheckItem::kStateConfirmed;
      pDns->m_strStatusText = kConfirmed;
      m_report.AppendLine("DNS : %s [Connected]\r\n", pDns->m_strAddress.c_str());
      ++nAnswered;
    } else {
      pDns->m_nState = CCheckItem::kStateFailed;
      m_report.AppendLine("DNS : %s [Not Response]\r\n", pDns->m_strAddress.c_str());
      pDns->m_strStatusText = kDnsNoAnswerText;
    }
  }
  return nAnswered == 0 ? kErrNetDns : 0;
}

int CNetworkAnalysis::CheckInternetHttp() {
  m_status.SetStatusText(kStatusInternetHttp);
  const char* host = m_strCarrierWebHost.c_str();
  m_internetItem.m_strDescription.clear();
  if (ConnectTcp(m_strCarrierWebHost, kPortHttp) == 1) {
    m_internetItem.m_strDescription += m_strCarrierWebHost + kReachable + "\r\n";
    m_report.AppendLine("%s:80 [Connected]\r\n", host);
    return 0;
  }
  m_internetItem.m_strDescription += m_strCarrierWebHost + kUnreachable + "\r\n";
  m_report.AppendLine("%s:80 [Not Connected]\r\n", host);
  return kErrNetInternetHttp;
}

int CNetworkAnalysis::CheckInternetSsl() {
  m_status.SetStatusText(kStatusInternetSsl);
  const char* host = m_strCarrierWebHost.c_str();
  if (ConnectTcp(m_strCarrierWebHost, kPortSsl) == 1) {
    m_internetItem.m_strDescription += m_strCarrierWebHost + kSslReachable + "\r\n";
    m_report.AppendLine("%s:443 [Connected]\r\n", host);
    return 0;
  }
  m_internetItem.m_strDescription += m_strCarrierWebHost + kSslUnreachable + "\r\n";
  m_report.AppendLine("%s:443 [Not Connected]\r\n", host);
  return kErrNetInternetSsl;
}

int CNetworkAnalysis::CheckPaymentServer() {
  m_status.SetStatusText(kStatusPaymentServer);
  // Both channels are always tried and always reported.
  const bool bSsl = ConnectTcp(m_strPaymentServer, kPortSsl) == 1;
  const bool bHttp = ConnectTcp(m_strPaymentServer, kPortHttp) == 1;
  const std::string& server = m_strPaymentServer;
  m_internetItem.m_strDescription += server + (bHttp ? kReachable : kUnreachable) + "\r\n";
  m_internetItem.m_strDescription += server + (bSsl ? kSslReachable : kSslUnreachable) + "\r\n";

  struct Outcome {
    int nState;
    const char* status;
    const char* verdict;
    int nResult;
  };
  const Outcome outcome =
      bHttp && bSsl ? Outcome{CCheckItem::kStateConfirmed, kConfirmed, "Confirm/Confirm", 0}
      : bSsl        ? Outcome{CCheckItem::kStateDegraded, kServerHttpFailText, "Fail/Confirm", kErrNetServerHttp}
      : bHttp       ? Outcome{CCheckItem::kStateDegraded, kServerSslFailText, "Confirm/Fail", kErrNetServerSsl}
                    : Outcome{CCheckItem::kStateFailed, kServerBothFailText, "Fail/Fail", kErrNetServerHttpSsl};
  m_internetItem.m_nState = outcome.nState;
  m_internetItem.m_strStatusText = outcome.status;
  m_report.AppendLine("%s (HTTP/SSL) [%s]\r\n", server.c_str(), outcome.verdict);
  return outcome.nResult;
}

void CNetworkAnalysis::AppendNetworkSection() {
  m_report.AppendLine("------- ANALYSIS NETWORK BEGIN -------\r\n");
  m_report.AppendLine("호스트 : %s\r\n", m_netParamsItem.m_strHostName.c_str());
  m_report.AppendLine("설명 : %s\r\n", m_netParamsItem.m_strDescription.c_str());
  for (const std::unique_ptr<CAdapterItem>& pItem : m_adapterList) {
    if (!pItem) continue;
    m_report.AppendLine("Device : %s\r\n", pItem->m_strName.c_str());
    m_report.AppendLine("Adapter : %s\r\n", pItem->m_strAdapterName.c_str());
    m_report.AppendLine("Description : %s\r\n", pItem->m_strDescription.c_str());
  }
  for (const std::unique_ptr<CGatewayItem>& pGateway : m_gatewayList) {
    if (!pGateway) continue;
    m_report.AppendLine("Gateway : %s\r\n", pGateway->m_strName.c_str());
    m_report.AppendLine("Description : %s\r\n", pGateway->m_strDescription.c_str());
  }
  for (const std::unique_ptr<CDnsItem>& pDns : m_dnsList) {
    if (!pDns) continue;
    m_report.AppendLine("DNS : %s\r\n", pDns->m_strName.c_str());
    m_report.AppendLine("Description : %s\r\n", pDns->m_strDescription.c_str());
  }
  m_report.AppendLine("Internet : %s\r\n", m_internetItem.m_strName.c_str());
  m_report.AppendLine("Description : %s\r\n", m_internetItem.m_strDescription.c_str());
  m_report.AppendLine("------- ANALYSIS NETWORK END -------\r\n");
}
