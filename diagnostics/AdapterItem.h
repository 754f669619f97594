#pragma once

#include <string>

#include "diagnostics/CheckItem.h"

// One network adapter; m_strName is its description text.
class CAdapterItem : public CCheckItem {
 public:
  ~CAdapterItem() override;

  std::string m_strAdapterName;
  // "\\.\" + the adapter name: the path that opens the adapter's device.
  std::string m_strDevicePath;
  // "ETHERNET", "TOKEN RING", "FDDI", "PPP", "LOOPBACK", "SLIP" or "OTHER".
  std::string m_strType;
  // "00-1A-2B-3C-4D-5E\r\n".
  std::string m_strMac;
  int m_bDhcpEnabled = 0;
  std::string m_strIpAddress;
  std::string m_strSubnetMask;
  std::string m_strGateway;
  std::string m_strDhcpServer;
  std::string m_strPrimaryWins;
  std::string m_strSecondaryWins;
  // "%Y-%m-%d %H:%M:%S" in local time; empty when the adapter has no lease.
  std::string m_strLeaseObtained;
  std::string m_strLeaseExpires;
  // 1 when the medium was found connected.
  int m_bConnected = 0;
};
