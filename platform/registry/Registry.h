#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"

// The Windows registry: keys named by a root and a backslash-separated path,
// holding typed values. HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG and
// HKEY_CURRENT_USER are views of keys under HKEY_LOCAL_MACHINE and
// HKEY_USERS (HKEY_CURRENT_USER is HKEY_USERS\<CurrentUserSid()>).
//
// Key and value names are case-insensitive and keep the case they were
// created with. Every change is in the registry when the call returns, for
// every other key object and process to see.
namespace platform {

#ifndef _WIN32
namespace reg {
struct HiveKey;
}
#endif

enum class RegRoot : uint32_t {
  kClassesRoot = 0x80000000,
  kCurrentUser = 0x80000001,
  kLocalMachine = 0x80000002,
  kUsers = 0x80000003,
  kCurrentConfig = 0x80000005,
};

inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegDwordBigEndian = 5;
inline constexpr uint32_t kRegLink = 6;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

struct RegValue {
  std::string name;  // "" is the key's default value
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;  // exactly the bytes stored, as RegQueryValueExW gives them
};

// "HKLM", "HKEY_LOCAL_MACHINE", "hkcu" ...: the abbreviations and full names
// reg.exe accepts, without case. nullopt for anything else.
std::optional<RegRoot> ParseRegRoot(std::string_view name);
// "HKEY_LOCAL_MACHINE" and so on.
std::string_view RegRootName(RegRoot root);
// "REG_SZ", "REG_DWORD" ...; "REG_UNKNOWN" otherwise. And back, with exact
// case (nullopt when unknown); "REG_DWORD_LITTLE_ENDIAN" is REG_DWORD.
std::string_view RegTypeName(uint32_t type);
std::optional<uint32_t> ParseRegTypeName(std::string_view name);

// The current user's security identifier as text ("S-1-5-21-..."), the name
// of HKEY_CURRENT_USER's key under HKEY_USERS; the same from run to run.
// Empty when the process token cannot be read.
std::string CurrentUserSid();

// An open key of the registry, as a Win32 HKEY: a handle, not a copy. Every
// read sees the registry as it is now. Once the key is deleted, every call
// through the handle gives kErrorKeyDeleted; what it sees after a key of the
// same name is made again is not promised (Windows keeps the handle on the
// deleted key), so callers open the new key anew. The
// roots themselves (an empty subkey) always exist, as Windows' predefined
// keys do.
//
// Every call on a key that is not open gives kErrorInvalidHandle; otherwise a
// call fails with the registry's own error. A failed call changes nothing.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey();
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // RegCreateKeyExW (non-volatile, read and write access): opens the key,
  // creating every missing level. The path is split at backslashes (a slash
  // is part of a name). kErrorInvalidParameter for a component longer than
  // 255 UTF-16 units.
  Win32Error Create(RegRoot root, std::string_view subkey);
  // RegOpenKeyExW: kErrorFileNotFound when the key does not exist. Both
  // leave the key closed on failure.
  Win32Error Open(RegRoot root, std::string_view subkey);
  bool Valid() const;
  // RegCloseKey; nothing happens when the key is not open.
  void Close();

  // RegSetValueExW on an open key: the bytes are stored exactly, with the
  // type given. kErrorInvalidParameter for a name longer than 16383 UTF-16
  // units.
  Win32Error SetValue(std::string_view name, uint32_t type, std::span<const uint8_t> data);
  // REG_SZ with its terminating NUL, as most Windows callers write it.
  Win32Error SetString(std::string_view name, std::string_view value);
  Win32Error SetDword(std::string_view name, uint32_t value);

  // RegQueryValueExW: kErrorFileNotFound for a missing value,
  // kErrorKeyDeleted when the key vanished since it was opened.
  std::expected<RegValue, Win32Error> QueryValue(std::string_view name) const;
  // REG_SZ / REG_EXPAND_SZ as text (up to the first NUL); kErrorInvalidData
  // for other types.
  std::expected<std::string, Win32Error> ReadString(std::string_view name) const;
  std::expected<uint32_t, Win32Error> ReadDword(std::string_view name) const;

  // RegDeleteValueW: kErrorFileNotFound for a missing value.
  Win32Error DeleteValue(std::string_view name);

  // RegEnumKeyExW / RegEnumValueW: while the key is not changed, the indexes
  // from 0 up give each subkey (value) exactly once, then kErrorNoMoreItems.
  // The order is the registry's own; callers must not depend on it.
  std::expected<std::string, Win32Error> EnumKey(uint32_t index) const;
  std::expected<RegValue, Win32Error> EnumValue(uint32_t index) const;

  // RegDeleteKeyW: deletes a child that has no subkeys of its own
  // (kErrorAccessDenied when it has some, kErrorFileNotFound when missing).
  // An empty child name gives kErrorBadKey.
  Win32Error DeleteKey(std::string_view child);
  // RegDeleteTreeW: the child and everything below it
  // (kErrorFileNotFound when missing). An empty child name empties this key
  // of its values and subkeys and keeps the key itself.
  Win32Error DeleteTree(std::string_view child);

  RegRoot Root() const { return m_root; }
  // The subkey below the root, components joined by single backslashes.
  const std::string& Path() const { return m_strPath; }

 private:
#ifdef _WIN32
  NativeHandle m_handle = kNoNativeHandle;  // the HKEY
#else
  std::vector<std::string> FullPath() const;
  Win32Error Read(const std::function<Win32Error(const reg::HiveKey&)>& reader) const;
  Win32Error Modify(const std::function<Win32Error(reg::HiveKey&, bool&)>& change);
  Win32Error DeleteChild(std::string_view child, bool tree);

  bool m_bValid = false;
#endif
  RegRoot m_root = RegRoot::kLocalMachine;
  std::string m_strPath;
};

// Marks a batch of registry changes made by the calling thread (setting up
// many values at once) so that the registry may store them together. It
// never changes what a call returns or what the thread itself reads. Where
// the registry writes each change as it is made (the Windows registry), it
// does nothing and Commit always succeeds. Transactions on one thread nest;
// the outermost one ends the batch.
class RegTransaction {
 public:
  RegTransaction();
  ~RegTransaction();
  RegTransaction(const RegTransaction&) = delete;
  RegTransaction& operator=(const RegTransaction&) = delete;

  // Ends the batch now: kErrorSuccess, or the first error of storing it
  // (what could not be stored keeps its old content); later calls do nothing.
  Win32Error Commit();

 private:
  bool m_bOpen = true;
};

}  // namespace platform
