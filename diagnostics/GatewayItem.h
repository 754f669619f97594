#pragma once

#include <string>

#include "diagnostics/CheckItem.h"

// The gateway of one connected adapter; m_strName is the gateway address.
class CGatewayItem : public CCheckItem {
 public:
  ~CGatewayItem() override;

  std::string m_strAdapterDescription;
  std::string m_strSourceAddress;
  std::string m_strGatewayAddress;
};
