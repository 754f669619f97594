#pragma once

#include <string>

#include "diagnostics/CheckItem.h"

// The computer's network parameters: host name and name servers.
class CNetParamsItem : public CCheckItem {
 public:
  ~CNetParamsItem() override;

  std::string m_strHostName;
  std::string m_strFirstDns;
  // Empty when the system lists one DNS server; the last one when it lists
  // more than two.
  std::string m_strSecondDns;
  // "Broadcast", "Peer to peer", "Mixed", "Hybrid" or empty.
  std::string m_strNodeType;
  std::string m_strScopeId;
  int m_bRoutingEnabled = 0;
  int m_bProxyEnabled = 0;
  int m_bDnsEnabled = 0;
};
