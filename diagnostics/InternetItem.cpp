#include "diagnostics/InternetItem.h"

// Defined here so that the class's virtual table lives in one object file.
CInternetItem::~CInternetItem() = default;
