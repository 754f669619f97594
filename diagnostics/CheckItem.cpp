#include "diagnostics/CheckItem.h"

// Defined here so that the class's virtual table lives in one object file.
CCheckItem::~CCheckItem() = default;
