#pragma once

#include <string_view>

class CSystemInfo;

// The platform bits of an item's PLATFORM number.
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_XP = 0x001;
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER = 0x002;
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_VISTA = 0x004;
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_7 = 0x008;
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_8 = 0x010;
inline constexpr int VAMO_SETUP_PLATFORM_WINDOWS_ALL = 0x020;
inline constexpr int VAMO_SETUP_PLATFORM_WIN32 = 0x100;
inline constexpr int VAMO_SETUP_PLATFORM_WIN64 = 0x200;
inline constexpr int VAMO_SETUP_PLATFORM_ALL = 0x400;

// The platform filter: tells whether an install item is meant for the system
// the system analysis found. It writes trace lines only.
class CUpdater {
 public:
  explicit CUpdater(const CSystemInfo& systemInfo);

  // 0 when an item with these PLATFORM bits fits this system, -9303 when it
  // does not. The processor width is decided first, then the Windows
  // version; in each, the first bit that is set decides alone.
  int Proc_UpdateList_CheckPlatform(int nFlags) const;

  // The PLATFORM text as a number, as _wtoi reads it: leading blanks, an
  // optional sign and the digits up to the first other character; 0 when
  // there are none, clamped to the int range.
  static int PlatformFlags(std::string_view text);

 private:
  const CSystemInfo& m_systemInfo;
};
