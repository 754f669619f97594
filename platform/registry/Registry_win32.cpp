#include "platform/registry/Registry.h"

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/core/Wide_win32.h"

// The real registry through advapi32. A RegKey owns one HKEY; its root and
// path are kept beside it only so that callers can name the key again.
namespace platform {

namespace {

// The predefined handles are sign-extended on 64-bit Windows, so they are
// named through the SDK's macros rather than rebuilt from RegRoot's numbers.
HKEY RootHandle(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::kUsers: return HKEY_USERS;
    case RegRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

HKEY AsHkey(NativeHandle handle) { return static_cast<HKEY>(handle); }

// The subkey as this service names it: components joined by single
// backslashes, the empty ones (doubled, leading or trailing separators)
// dropped, as the Linux registry reads a path.
std::string NormalizePath(std::string_view subkey) {
  std::string path;
  size_t start = 0;
  while (start <= subkey.size()) {
    size_t end = subkey.find('\\', start);
    if (end == std::string_view::npos) end = subkey.size();
    if (end > start) {
      if (!path.empty()) path += '\\';
      path.append(subkey.substr(start, end - start));
    }
    start = end + 1;
  }
  return path;
}

// Windows documents 255 characters as the longest key name; Wine takes
// longer ones, which no Windows machine could then hold, so the limit is
// checked here.
bool HoldsOverlongComponent(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (Widen(path.substr(start, end - start)).size() > 255) return true;
    start = end + 1;
  }
  return false;
}

// A name with a NUL inside would reach the API cut short and name another
// key or value; no Windows caller can pass one.
bool HoldsNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

}  // namespace

std::string CurrentUserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  ScopedHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::string sid = Narrow(text);
  ::LocalFree(text);
  return sid;
}

RegKey::~RegKey() { Close(); }

RegKey::RegKey(RegKey&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoNativeHandle)),
      m_root(other.m_root),
      m_strPath(std::exchange(other.m_strPath, {})) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    m_handle = std::exchange(other.m_handle, kNoNativeHandle);
    m_root = other.m_root;
    m_strPath = std::exchange(other.m_strPath, {});
  }
  return *this;
}

bool RegKey::Valid() const { return m_handle != kNoNativeHandle; }

void RegKey::Close() {
  if (m_handle != kNoNativeHandle) ::RegCloseKey(AsHkey(m_handle));
  m_handle = kNoNativeHandle;
  m_strPath.clear();
}

Win32Error RegKey::Create(RegRoot root, std::string_view subkey) {
  Close();
  if (HoldsNul(subkey)) return kErrorInvalidParameter;
  std::string path = NormalizePath(subkey);
  if (HoldsOverlongComponent(path)) return kErrorInvalidParameter;
  HKEY key = nullptr;
  LSTATUS status = ::RegCreateKeyExW(RootHandle(root), Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE | DELETE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<Win32Error>(status);
  m_handle = key;
  m_root = root;
  m_strPath = std::move(path);
  return kErrorSuccess;
}

Win32Error RegKey::Open(RegRoot root, std::string_view subkey) {
  Close();
  if (HoldsNul(subkey)) return kErrorFileNotFound;
  std::string path = NormalizePath(subkey);
  std::wstring wide = Widen(path);
  HKEY key = nullptr;
  LSTATUS status = ::RegOpenKeyExW(RootHandle(root), wide.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, &key);
  // A standard user may read most of HKEY_LOCAL_MACHINE but not write it:
  // such a key opens for reading, and a write through it is refused.
  if (status == ERROR_ACCESS_DENIED) status = ::RegOpenKeyExW(RootHandle(root), wide.c_str(), 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return static_cast<Win32Error>(status);
  m_handle = key;
  m_root = root;
  m_strPath = std::move(path);
  return kErrorSuccess;
}

Win32Error RegKey::SetValue(std::string_view name, uint32_t type, std::span<const uint8_t> data) {
  if (!Valid()) return kErrorInvalidHandle;
  if (HoldsNul(name)) return kErrorInvalidParameter;
  // For a string type whose last character is not NUL, RegSetValueExW looks
  // one character past the given size and, finding a NUL there, stores it
  // too ("the caller forgot to count it"). A copy that ends in a non-NUL
  // character beyond the size keeps the stored bytes exactly the given ones.
  std::vector<uint8_t> copy;
  const uint8_t* bytes = data.data();
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    copy.assign(data.begin(), data.end());
    copy.insert(copy.end(), {0xFF, 0xFF, 0xFF});
    bytes = copy.data();
  }
  return static_cast<Win32Error>(::RegSetValueExW(AsHkey(m_handle), Widen(name).c_str(), 0, type, bytes,
                                                  static_cast<DWORD>(data.size())));
}

std::expected<RegValue, Win32Error> RegKey::QueryValue(std::string_view name) const {
  if (!Valid()) return std::unexpected(kErrorInvalidHandle);
  if (HoldsNul(name)) return std::unexpected(kErrorFileNotFound);
  std::wstring wide = Widen(name);
  RegValue value;
  value.name = std::string(name);
  // The value may grow between asking for its size and reading it.
  for (;;) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(value.data.size());
    LSTATUS status =
        ::RegQueryValueExW(AsHkey(m_handle), wide.c_str(), nullptr, &type, value.data.data(), &size);
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && value.data.empty() && size > 0)) {
      value.data.resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) return std::unexpected(static_cast<Win32Error>(status));
    value.type = type;
    value.data.resize(size);
    return value;
  }
}

Win32Error RegKey::DeleteValue(std::string_view name) {
  if (!Valid()) return kErrorInvalidHandle;
  if (HoldsNul(name)) return kErrorFileNotFound;
  return static_cast<Win32Error>(::RegDeleteValueW(AsHkey(m_handle), Widen(name).c_str()));
}

std::expected<std::string, Win32Error> RegKey::EnumKey(uint32_t index) const {
  if (!Valid()) return std::unexpected(kErrorInvalidHandle);
  // Key names are at most 255 UTF-16 units.
  wchar_t name[256];
  DWORD length = static_cast<DWORD>(std::size(name));
  LSTATUS status = ::RegEnumKeyExW(AsHkey(m_handle), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return std::unexpected(static_cast<Win32Error>(status));
  return Narrow(std::wstring_view(name, length));
}

std::expected<RegValue, Win32Error> RegKey::EnumValue(uint32_t index) const {
  if (!Valid()) return std::unexpected(kErrorInvalidHandle);
  DWORD maxName = 0;
  DWORD maxData = 0;
  LSTATUS status = ::RegQueryInfoKeyW(AsHkey(m_handle), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, &maxName, &maxData, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return std::unexpected(static_cast<Win32Error>(status));
  std::wstring name(maxName + 1, L'\0');
  RegValue value;
  // Never a null buffer: with one the call would report success without the
  // bytes of a value that grew meanwhile.
  value.data.resize(std::max<DWORD>(maxData, 1));
  // Another writer may add a longer value between the two calls.
  for (;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(value.data.size());
    status = ::RegEnumValueW(AsHkey(m_handle), index, name.data(), &nameLength, nullptr, &type,
                             value.data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      name.resize(name.size() * 2 + 256);
      value.data.resize(std::max<size_t>(value.data.size() * 2, size));
      continue;
    }
    if (status != ERROR_SUCCESS) return std::unexpected(static_cast<Win32Error>(status));
    value.name = Narrow(std::wstring_view(name.data(), nameLength));
    value.type = type;
    value.data.resize(size);
    return value;
  }
}

Win32Error RegKey::DeleteKey(std::string_view child) {
  if (!Valid()) return kErrorInvalidHandle;
  // RegDeleteKeyW with an empty name would delete this key itself.
  std::string path = NormalizePath(child);
  if (path.empty()) return kErrorBadKey;
  if (HoldsNul(path)) return kErrorFileNotFound;
  return static_cast<Win32Error>(::RegDeleteKeyW(AsHkey(m_handle), Widen(path).c_str()));
}

Win32Error RegKey::DeleteTree(std::string_view child) {
  if (!Valid()) return kErrorInvalidHandle;
  std::string path = NormalizePath(child);
  if (HoldsNul(path)) return kErrorFileNotFound;
  std::wstring wide = Widen(path);
  // Without a subkey RegDeleteTreeW empties this key and keeps it.
  return static_cast<Win32Error>(::RegDeleteTreeW(AsHkey(m_handle), path.empty() ? nullptr : wide.c_str()));
}

// Windows writes each change as it is made; there is nothing to group.
RegTransaction::RegTransaction() = default;

RegTransaction::~RegTransaction() { Commit(); }

Win32Error RegTransaction::Commit() {
  m_bOpen = false;
  return kErrorSuccess;
}

}  // namespace platform
