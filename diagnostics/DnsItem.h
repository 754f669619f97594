#pragma once

#include <string>

#include "diagnostics/CheckItem.h"

// One DNS server; m_strName is its host name when it has one, else its
// address.
class CDnsItem : public CCheckItem {
 public:
  ~CDnsItem() override;

  std::string m_strHostName;
  // Dotted IPv4 text; empty for a second server the system does not have.
  std::string m_strAddress;
};
