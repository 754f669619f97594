#include "platform/registry/Registry.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/sim/Hive.h"
#include "platform/sim/HiveStore.h"
#include "platform/text/Utf.h"

// The registry of the prefix. HKEY_LOCAL_MACHINE and HKEY_USERS are hive
// files in the prefix's registry/ folder, in the .reg text format; the other
// roots are views: HKEY_CLASSES_ROOT is HKLM\Software\Classes,
// HKEY_CURRENT_CONFIG is HKLM\System\CurrentControlSet\Hardware
// Profiles\Current and HKEY_CURRENT_USER is the current user's key under
// HKEY_USERS.
//
// A key object holds its name, not an open hive: every call reads the hive
// file anew, and a key missing under its name counts as deleted; unlike a
// Windows handle it finds a key made again under that name. Every change
// is written through to the hive file before the call returns: atomically
// (temporary file, fsync, rename) and under a lock file, so concurrent
// writers in other processes lose nothing and a crash leaves the old or the
// new hive.
//
// Names the hive text cannot hold (a line break or NUL in a key or value
// name) and paths nested over 512 deep are refused with
// kErrorInvalidParameter. A hive file that cannot be parsed is never
// overwritten: reads of it fail with kErrorRegistryCorrupt and so do writes,
// leaving the file for a person to look at; an I/O error is mapped from
// errno.
//
// RegTransaction holds the registry lock while it lives: the thread's
// changes go to a working copy that its own reads see, and the end of the
// outermost transaction writes each changed hive once. Other threads and
// processes see all of the changes or none; their writes wait.
namespace platform {

std::string CurrentUserSid() {
  // A domain-style SID whose last part (the RID) is the uid: stable across
  // runs and distinct per host user, which is all HKEY_CURRENT_USER needs.
  return "S-1-5-21-1000-1000-1000-" + std::to_string(::getuid());
}

namespace {

using reg::HiveFile;
using reg::HiveKey;

// Where a root lives: its hive file and the key path inside that hive that
// the root stands for (empty for the hive roots themselves).
struct RootLocation {
  HiveFile file;
  std::vector<std::string> base;
};

RootLocation LocateRoot(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return {HiveFile::kMachine, {"Software", "Classes"}};
    case RegRoot::kCurrentConfig:
      return {HiveFile::kMachine, {"System", "CurrentControlSet", "Hardware Profiles", "Current"}};
    case RegRoot::kCurrentUser: return {HiveFile::kUsers, {CurrentUserSid()}};
    case RegRoot::kUsers: return {HiveFile::kUsers, {}};
    case RegRoot::kLocalMachine: break;
  }
  return {HiveFile::kMachine, {}};
}

// Splits and normalises a subkey path; nullopt when a component can never be
// a key name or the path is nested too deep.
std::optional<std::vector<std::string>> SubkeyComponents(std::string_view subkey) {
  std::vector<std::string> components = reg::SplitKeyPath(reg::NormalizeName(subkey));
  if (components.size() > reg::kMaxKeyDepth) return std::nullopt;
  for (const std::string& component : components) {
    if (!reg::IsValidKeyName(component)) return std::nullopt;
  }
  return components;
}

std::string JoinComponents(const std::vector<std::string>& components) {
  std::string path;
  for (const std::string& component : components) {
    if (!path.empty()) path += '\\';
    path += component;
  }
  return path;
}

const HiveKey& EmptyKey() {
  static const HiveKey empty;
  return empty;
}

}  // namespace

RegKey::~RegKey() = default;

RegKey::RegKey(RegKey&& other) noexcept
    : m_bValid(std::exchange(other.m_bValid, false)), m_root(other.m_root), m_strPath(std::move(other.m_strPath)) {
  other.m_strPath.clear();
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    m_bValid = std::exchange(other.m_bValid, false);
    m_root = other.m_root;
    m_strPath = std::move(other.m_strPath);
    other.m_strPath.clear();
  }
  return *this;
}

bool RegKey::Valid() const { return m_bValid; }

Win32Error RegKey::Create(RegRoot root, std::string_view subkey) {
  Close();
  std::optional<std::vector<std::string>> components = SubkeyComponents(subkey);
  if (!components) return kErrorInvalidParameter;
  RootLocation location = LocateRoot(root);
  std::vector<std::string> full = location.base;
  full.insert(full.end(), components->begin(), components->end());
  if (full.size() > reg::kMaxKeyDepth) return kErrorInvalidParameter;

  // Most creates meet an existing key; those need neither lock nor write.
  auto current = reg::ReadHive(location.file);
  if (!current) return current.error();
  if ((*current)->Find(full) == nullptr) {
    Win32Error error = reg::ModifyHive(location.file, [&](reg::Hive& hive, bool& modified) {
      hive.Create(full, modified);
      return kErrorSuccess;
    });
    if (error != kErrorSuccess) return error;
  }
  m_root = root;
  m_strPath = JoinComponents(*components);
  m_bValid = true;
  return kErrorSuccess;
}

Win32Error RegKey::Open(RegRoot root, std::string_view subkey) {
  Close();
  std::optional<std::vector<std::string>> components = SubkeyComponents(subkey);
  if (!components) return kErrorFileNotFound;
  if (!components->empty()) {
    RootLocation location = LocateRoot(root);
    std::vector<std::string> full = location.base;
    full.insert(full.end(), components->begin(), components->end());
    auto current = reg::ReadHive(location.file);
    if (!current) return current.error();
    if ((*current)->Find(full) == nullptr) return kErrorFileNotFound;
  }
  m_root = root;
  m_strPath = JoinComponents(*components);
  m_bValid = true;
  return kErrorSuccess;
}

void RegKey::Close() {
  m_bValid = false;
  m_strPath.clear();
}

std::vector<std::string> RegKey::FullPath() const {
  std::vector<std::string> full = LocateRoot(m_root).base;
  std::vector<std::string> own = reg::SplitKeyPath(m_strPath);
  full.insert(full.end(), own.begin(), own.end());
  return full;
}

Win32Error RegKey::Read(const std::function<Win32Error(const reg::HiveKey&)>& reader) const {
  if (!m_bValid) return kErrorInvalidHandle;
  auto hive = reg::ReadHive(LocateRoot(m_root).file);
  if (!hive) return hive.error();
  const HiveKey* key = (*hive)->Find(FullPath());
  if (key == nullptr) {
    // A root is always there, even when nothing has been written below it.
    if (!m_strPath.empty()) return kErrorKeyDeleted;
    key = &EmptyKey();
  }
  return reader(*key);
}

Win32Error RegKey::Modify(const std::function<Win32Error(reg::HiveKey&, bool&)>& change) {
  if (!m_bValid) return kErrorInvalidHandle;
  std::vector<std::string> full = FullPath();
  bool isRoot = m_strPath.empty();
  return reg::ModifyHive(LocateRoot(m_root).file, [&](reg::Hive& hive, bool& modified) {
    HiveKey* key = hive.Find(full);
    if (key == nullptr) {
      if (!isRoot) return kErrorKeyDeleted;
      // The levels that make up a view's root appear with its first change;
      // they are written only when the change itself modifies something.
      bool created = false;
      key = &hive.Create(full, created);
    }
    return change(*key, modified);
  });
}

Win32Error RegKey::SetValue(std::string_view name, uint32_t type, std::span<const uint8_t> data) {
  std::string normalized = reg::NormalizeName(name);
  if (!reg::IsValidValueName(normalized)) return kErrorInvalidParameter;
  std::string folded = FoldCase(normalized);
  return Modify([&](HiveKey& key, bool& modified) {
    if (const reg::HiveValue* existing = key.FindValue(folded)) {
      if (existing->value.type == type && std::ranges::equal(existing->value.data, data)) return kErrorSuccess;
    }
    key.SetValue(normalized, type, std::vector<uint8_t>(data.begin(), data.end()));
    modified = true;
    return kErrorSuccess;
  });
}

std::expected<RegValue, Win32Error> RegKey::QueryValue(std::string_view name) const {
  std::string folded = FoldCase(reg::NormalizeName(name));
  RegValue result;
  Win32Error error = Read([&](const HiveKey& key) {
    const reg::HiveValue* value = key.FindValue(folded);
    if (value == nullptr) return kErrorFileNotFound;
    result = value->value;
    return kErrorSuccess;
  });
  if (error != kErrorSuccess) return std::unexpected(error);
  return result;
}

Win32Error RegKey::DeleteValue(std::string_view name) {
  std::string folded = FoldCase(reg::NormalizeName(name));
  return Modify([&](HiveKey& key, bool& modified) {
    auto it = std::ranges::find_if(key.values, [&](const reg::HiveValue& v) { return v.folded == folded; });
    if (it == key.values.end()) return kErrorFileNotFound;
    key.values.erase(it);
    modified = true;
    return kErrorSuccess;
  });
}

std::expected<std::string, Win32Error> RegKey::EnumKey(uint32_t index) const {
  std::string name;
  Win32Error error = Read([&](const HiveKey& key) {
    if (index >= key.children.size()) return kErrorNoMoreItems;
    name = key.children[index].name;
    return kErrorSuccess;
  });
  if (error != kErrorSuccess) return std::unexpected(error);
  return name;
}

std::expected<RegValue, Win32Error> RegKey::EnumValue(uint32_t index) const {
  RegValue result;
  Win32Error error = Read([&](const HiveKey& key) {
    if (index >= key.values.size()) return kErrorNoMoreItems;
    result = key.values[index].value;
    return kErrorSuccess;
  });
  if (error != kErrorSuccess) return std::unexpected(error);
  return result;
}

Win32Error RegKey::DeleteChild(std::string_view child, bool tree) {
  std::optional<std::vector<std::string>> components = SubkeyComponents(child);
  if (!components) return kErrorFileNotFound;
  if (components->empty() && !tree) return kErrorBadKey;
  return Modify([&](HiveKey& key, bool& modified) {
    if (components->empty()) {
      // RegDeleteTreeW without a subkey empties the key and keeps it.
      modified = !key.values.empty() || !key.children.empty();
      key.values.clear();
      key.children.clear();
      return kErrorSuccess;
    }
    HiveKey* parent = &key;
    for (size_t i = 0; i + 1 < components->size(); ++i) {
      parent = parent->FindChild(FoldCase((*components)[i]));
      if (parent == nullptr) return kErrorFileNotFound;
    }
    std::string folded = FoldCase(components->back());
    auto it = std::ranges::find_if(parent->children, [&](const HiveKey& k) { return k.folded == folded; });
    if (it == parent->children.end()) return kErrorFileNotFound;
    if (!tree && !it->children.empty()) return kErrorAccessDenied;
    parent->children.erase(it);
    modified = true;
    return kErrorSuccess;
  });
}

RegTransaction::RegTransaction() { reg::BeginTransaction(); }

RegTransaction::~RegTransaction() { Commit(); }

Win32Error RegTransaction::Commit() {
  if (!m_bOpen) return kErrorSuccess;
  m_bOpen = false;
  return reg::EndTransaction();
}

Win32Error RegKey::DeleteKey(std::string_view child) { return DeleteChild(child, false); }

Win32Error RegKey::DeleteTree(std::string_view child) { return DeleteChild(child, true); }

}  // namespace platform
