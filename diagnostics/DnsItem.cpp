#include "diagnostics/DnsItem.h"

// Defined here so that the class's virtual table lives in one object file.
CDnsItem::~CDnsItem() = default;
