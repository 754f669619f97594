#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// The prefix registry. HKEY_LOCAL_MACHINE and HKEY_USERS are hive files in
// the prefix's registry/ folder, in the .reg text format; the other roots are
// views: HKEY_CLASSES_ROOT is HKLM\Software\Classes, HKEY_CURRENT_CONFIG is
// HKLM\System\CurrentControlSet\Hardware Profiles\Current and
// HKEY_CURRENT_USER is the current user's key under HKEY_USERS.
//
// Key and value names are case-insensitive and keep the case they were
// created with. Every change is written through to the hive file before the
// call returns: atomically (temporary file, fsync, rename) and under a lock
// file, so concurrent writers in other processes lose nothing and a crash
// leaves the old or the new hive.
//
// A hive file that cannot be parsed is never overwritten: reads of it fail
// with kErrorRegistryCorrupt and so do writes, leaving the file for a person
// to look at.
namespace platform {

namespace reg {
struct HiveKey;
}

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

// The current user's security identifier, the name of HKEY_CURRENT_USER's key
// under HKEY_USERS: "S-1-5-21-1000-1000-1000-<uid>", made from the host uid
// so that it stays the same from run to run.
std::string CurrentUserSid();

// A key of the registry, named by root and path. Like a Win32 HKEY it is a
// name, not a copy: every read sees the hive as it is now. A key that no
// longer exists under its name counts as deleted (kErrorKeyDeleted), even if
// another key of that name was created since. The roots themselves (an empty
// subkey) always exist, as Windows' predefined keys do.
//
// Every call on a key that is not open gives kErrorInvalidHandle; every call
// gives kErrorRegistryCorrupt when the hive file cannot be parsed, and the
// mapped I/O error when it cannot be read or written. A failed call changes
// nothing.
class RegKey {
 public:
  RegKey() = default;

  // RegCreateKeyExW: opens the key, creating every missing level. The path
  // is split at backslashes (a slash is part of a name, as on Windows);
  // empty components are skipped. kErrorInvalidParameter for a component longer than 255 UTF-16
  // units or holding a line break or NUL, or a path nested over 512 deep.
  Win32Error Create(RegRoot root, std::string_view subkey);
  // RegOpenKeyExW: kErrorFileNotFound when the key does not exist. Both
  // leave the key closed on failure.
  Win32Error Open(RegRoot root, std::string_view subkey);
  bool Valid() const { return m_bValid; }
  void Close();

  // RegSetValueExW on an open key: the bytes are stored exactly.
  // kErrorInvalidParameter for a name with a line break or NUL (the hive
  // text could not hold it) or longer than 16383 UTF-16 units.
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

  // RegEnumKeyExW / RegEnumValueW, in the order the keys and values were
  // created; kErrorNoMoreItems past the end.
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
  std::vector<std::string> FullPath() const;
  Win32Error Read(const std::function<Win32Error(const reg::HiveKey&)>& reader) const;
  Win32Error Modify(const std::function<Win32Error(reg::HiveKey&, bool&)>& change);
  Win32Error DeleteChild(std::string_view child, bool tree);

  RegRoot m_root = RegRoot::kLocalMachine;
  std::string m_strPath;
  bool m_bValid = false;
};

// Groups the calling thread's registry changes into one write per hive, for
// code that sets many values at once (setting up a prefix): while it lives,
// the registry lock is held, the thread's changes go to a working copy that
// its own reads see, and Commit (or the destructor) writes each changed hive
// once. Other threads and processes see all of the changes or none; their
// writes wait. Transactions on one thread nest; the outermost one writes.
class RegTransaction {
 public:
  RegTransaction();
  ~RegTransaction();
  RegTransaction(const RegTransaction&) = delete;
  RegTransaction& operator=(const RegTransaction&) = delete;

  // Writes the changes now. Returns the first error of taking the lock or
  // writing a hive (that hive keeps its old content); later calls do nothing.
  Win32Error Commit();

 private:
  bool m_bOpen = true;
};

}  // namespace platform
