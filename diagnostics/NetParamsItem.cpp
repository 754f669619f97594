#include "diagnostics/NetParamsItem.h"

// Defined here so that the class's virtual table lives in one object file.
CNetParamsItem::~CNetParamsItem() = default;
