#pragma once

#include "diagnostics/CheckItem.h"

// Reachability of the carrier web host and the payment server: one
// description line per channel tried; state and status text carry the
// payment server's verdict. Its name stays empty.
class CInternetItem : public CCheckItem {
 public:
  ~CInternetItem() override;
};
