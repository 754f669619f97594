#include "diagnostics/AdapterItem.h"

// Defined here so that the class's virtual table lives in one object file.
CAdapterItem::~CAdapterItem() = default;
