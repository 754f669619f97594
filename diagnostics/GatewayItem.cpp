#include "diagnostics/GatewayItem.h"

// Defined here so that the class's virtual table lives in one object file.
CGatewayItem::~CGatewayItem() = default;
