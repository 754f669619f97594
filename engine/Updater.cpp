#include "engine/Updater.h"

#include <climits>
#include <cstdint>

#include "diagnostics/SystemInfo.h"
#include "engine/ErrorCodes.h"
#include "system/Trace.h"

namespace {

enum class WindowsClass { kWindows8, kWindows7, kVista, kServer2003, kXp, kWindows2000, kUnknown };

struct CVersionRow {
  int nMajor;
  int nMinor;  // the lowest minor version of the row
  bool bAndHigherMinor;
  WindowsClass windowsClass;
  const char* strTrace;
};

const CVersionRow kVersionRows[] = {
    {6, 2, true, WindowsClass::kWindows8, "CUpdater::Proc_UpdateList_CheckPlatform() [Windows 8]..."},
    {6, 1, false, WindowsClass::kWindows7,
     "CUpdater::Proc_UpdateList_CheckPlatform() [Windows 7, Windows Server 2008 R2]..."},
    {6, 0, false, WindowsClass::kVista,
     "CUpdater::Proc_UpdateList_CheckPlatform() [Windows Vista, Windows Server 2008]..."},
    {5, 2, false, WindowsClass::kServer2003, "CUpdater::Proc_UpdateList_CheckPlatform() [Windows 2003]..."},
    {5, 1, false, WindowsClass::kXp, "CUpdater::Proc_UpdateList_CheckPlatform() [Windows XP]..."},
    {5, 0, false, WindowsClass::kWindows2000, "CUpdater::Proc_UpdateList_CheckPlatform() [Windows 2000]..."},
};

WindowsClass Classify(int nMajor, int nMinor) {
  for (const CVersionRow& row : kVersionRows) {
    if (nMajor == row.nMajor && (nMinor == row.nMinor || (row.bAndHigherMinor && nMinor > row.nMinor))) {
      Trace("%s", row.strTrace);
      return row.windowsClass;
    }
  }
  Trace("CUpdater::Proc_UpdateList_CheckPlatform() [Windows Unknown] [%d/%d]...", nMajor, nMinor);
  return WindowsClass::kUnknown;
}

// What a Windows-version bit asks of the system.
enum class VersionTest { kAny, kVistaOrLater, kClass };

// The Windows-version bits in the order they are tested.
struct CVersionBit {
  int nBit;
  VersionTest test;
  WindowsClass required;  // for VersionTest::kClass
  const char* strTrace;
};

const CVersionBit kVersionBits[] = {
    {VAMO_SETUP_PLATFORM_WINDOWS_ALL, VersionTest::kAny, WindowsClass::kUnknown,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_ALL]..."},
    {VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER, VersionTest::kVistaOrLater, WindowsClass::kUnknown,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER]..."},
    {VAMO_SETUP_PLATFORM_WINDOWS_XP, VersionTest::kClass, WindowsClass::kXp,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_XP]..."},
    {VAMO_SETUP_PLATFORM_WINDOWS_VISTA, VersionTest::kClass, WindowsClass::kVista,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_VISTA]..."},
    {VAMO_SETUP_PLATFORM_WINDOWS_7, VersionTest::kClass, WindowsClass::kWindows7,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_7]..."},
    {VAMO_SETUP_PLATFORM_WINDOWS_8, VersionTest::kClass, WindowsClass::kWindows8,
     "CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WINDOWS_8]..."},
};

}  // namespace

CUpdater::CUpdater(const CSystemInfo& systemInfo) : m_systemInfo(systemInfo) {}

int CUpdater::Proc_UpdateList_CheckPlatform(int nFlags) const {
  if (nFlags & VAMO_SETUP_PLATFORM_ALL) {
    Trace("CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_ALL]...");
  } else if (nFlags & VAMO_SETUP_PLATFORM_WIN32) {
    if (m_systemInfo.m_strBits != "32") {
      Trace("CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WIN32]...");
      return kErrPlatformMismatch;
    }
  } else if (nFlags & VAMO_SETUP_PLATFORM_WIN64) {
    if (m_systemInfo.m_strBits != "64") {
      Trace("CUpdater::Proc_UpdateList_CheckPlatform() [VAMO_SETUP_PLATFORM_WIN64]...");
      return kErrPlatformMismatch;
    }
  }

  const WindowsClass windowsClass = Classify(m_systemInfo.m_nMajorVersion, m_systemInfo.m_nMinorVersion);
  for (const CVersionBit& bit : kVersionBits) {
    if ((nFlags & bit.nBit) == 0) continue;
    Trace("%s", bit.strTrace);
    bool fits = true;
    if (bit.test == VersionTest::kVistaOrLater) fits = m_systemInfo.m_bVistaOrLater == 1;
    if (bit.test == VersionTest::kClass) fits = windowsClass == bit.required;
    return fits ? 0 : kErrPlatformMismatch;
  }
  return 0;
}

int CUpdater::PlatformFlags(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<int>(value);
}
