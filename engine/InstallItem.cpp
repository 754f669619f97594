#include "engine/InstallItem.h"

// A new item is a file item until its TYPE is read.
CInstallItem::CInstallItem() : m_strType(kItemTypeFile) {}

CInstallItem::~CInstallItem() = default;
