#include "platform/resources/ModuleResources.h"

#include <windows.h>

#include <optional>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

// A resource type or name as FindResourceW takes it: an id in the pointer,
// or the string. The returned pointer lives as long as `storage`.
LPCWSTR ResourcePointer(const ResourceName& name, std::wstring& storage) {
  if (name.IsId()) return MAKEINTRESOURCEW(name.Id());
  storage.assign(name.Name().begin(), name.Name().end());
  return storage.c_str();
}

struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The volume and file index that name one file however its path is spelled;
// opened with every sharing mode and no access, so it never disturbs anyone.
std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  ScopedHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer may have cut the path short.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

// A module's resources stay mapped as long as it is loaded, which for the
// executable is the whole process; LoadResource needs no freeing.
std::expected<std::span<const uint8_t>, Win32Error> FindModuleResource(const ResourceName& type,
                                                                       const ResourceName& name) {
  std::wstring typeText, nameText;
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, ResourcePointer(name, nameText), ResourcePointer(type, typeText));
  if (found == nullptr) return std::unexpected(LastError());
  HGLOBAL loaded = ::LoadResource(module, found);
  if (loaded == nullptr) return std::unexpected(LastError());
  const void* data = ::LockResource(loaded);
  DWORD size = ::SizeofResource(module, found);
  if (data == nullptr) return std::unexpected(LastError());
  return std::span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}

// With a buffer size of 0, LoadStringW hands out a pointer to the string in
// the mapped table itself, which is not nul-terminated, and its length.
std::string LoadModuleString(uint32_t id) {
  if (id > 0xFFFF) return {};
  const wchar_t* text = nullptr;
  int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return Narrow(std::wstring_view(text, static_cast<size_t>(length)));
}

std::string ModuleFileName() { return Narrow(ModulePath()); }

bool IsModuleFile(std::string_view windowsPath) {
  if (windowsPath.empty()) return false;
  std::optional<FileIdentity> candidate = IdentityOf(Widen(windowsPath));
  std::optional<FileIdentity> self = IdentityOf(ModulePath());
  return candidate && self && *candidate == *self;
}

}  // namespace platform
