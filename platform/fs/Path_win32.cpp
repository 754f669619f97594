#include "platform/fs/Path.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

std::wstring FullPathName(const std::wstring& path) {
  DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
}

}  // namespace

std::string NormalizeWindowsPath(std::string_view windowsPath) {
  if (windowsPath.empty()) return {};
  std::wstring full = FullPathName(Widen(windowsPath));
  // GetFullPathNameW keeps the drive letter's case and a trailing
  // separator; the rest of the system compares paths without them.
  if (full.size() >= 2 && full[1] == L':' && full[0] >= L'a' && full[0] <= L'z') full[0] = static_cast<wchar_t>(full[0] - 32);
  bool driveRoot = full.size() == 3 && full[1] == L':';
  if (full.size() > 1 && full.back() == L'\\' && !driveRoot) full.pop_back();
  return Narrow(full);
}

std::string PathForUser(std::string_view windowsPath) { return NormalizeWindowsPath(windowsPath); }

}  // namespace platform
