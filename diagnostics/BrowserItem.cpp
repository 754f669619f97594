#include "diagnostics/BrowserItem.h"

// Defined here so that the class's virtual table lives in one object file.
CBrowserItem::~CBrowserItem() = default;
