#include "platform/sysinfo/KnownFolders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

const KNOWNFOLDERID& FolderId(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kWindows: return FOLDERID_Windows;
    case KnownFolder::kSystem: return FOLDERID_System;
    case KnownFolder::kProgramFiles: return FOLDERID_ProgramFiles;
    case KnownFolder::kProgramData: return FOLDERID_ProgramData;
    case KnownFolder::kProfile: return FOLDERID_Profile;
    case KnownFolder::kLocalAppData: return FOLDERID_LocalAppData;
    case KnownFolder::kLocalAppDataLow: return FOLDERID_LocalAppDataLow;
    case KnownFolder::kRoamingAppData: return FOLDERID_RoamingAppData;
  }
  return FOLDERID_Windows;
}

}  // namespace

std::string GetKnownFolder(KnownFolder folder) {
  PWSTR path = nullptr;
  // KF_FLAG_DONT_VERIFY: the name is wanted even where the folder has not
  // been made yet.
  const HRESULT result = ::SHGetKnownFolderPath(FolderId(folder), KF_FLAG_DONT_VERIFY, nullptr, &path);
  std::string text = SUCCEEDED(result) && path ? Narrow(path) : std::string();
  ::CoTaskMemFree(path);
  while (text.size() > 3 && text.back() == '\\') text.pop_back();
  return text;
}

std::string EnvironmentVariable(std::string_view name) {
  const std::wstring wide = Widen(name);
  std::wstring value(256, L'\0');
  // The variable may change between asking for its size and reading it.
  for (;;) {
    const DWORD length = ::GetEnvironmentVariableW(wide.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) return Narrow(std::wstring_view(value.data(), length));
    value.resize(length);
  }
}

std::string ExpandEnvironmentText(std::string_view text) {
  const std::wstring wide = Widen(text);
  std::wstring expanded(wide.size() + 256, L'\0');
  for (;;) {
    // The count includes the terminating NUL.
    const DWORD length = ::ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
    if (length == 0) return std::string(text);
    if (length <= expanded.size()) return Narrow(std::wstring_view(expanded.data(), length - 1));
    expanded.resize(length);
  }
}

}  // namespace platform
