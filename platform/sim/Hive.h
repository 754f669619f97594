#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/registry/Registry.h"

// One hive in memory and its text form. The text is the .reg export format
// ("Windows Registry Editor Version 5.00"), UTF-8, one [FULL\KEY\PATH] block
// per key in creation order, parents before children. Every value is written
// so that reading it back gives exactly the same bytes: the quoted form only
// for a REG_SZ that is plain, NUL-terminated UTF-16 text, dword: only for a
// 4-byte REG_DWORD, a hex list for everything else.
namespace platform::reg {

// Windows refuses key names longer than this, and paths nested deeper.
inline constexpr size_t kMaxKeyNameUnits = 255;
inline constexpr size_t kMaxValueNameUnits = 16383;
inline constexpr size_t kMaxKeyDepth = 512;

struct HiveValue {
  std::string folded;  // FoldCase(value.name), the lookup key
  RegValue value;
};

struct HiveKey {
  std::string name;    // as it was created
  std::string folded;  // FoldCase(name)
  std::vector<HiveValue> values;    // creation order
  std::vector<HiveKey> children;    // creation order

  // Lookups take the folded name. nullptr when absent.
  HiveKey* FindChild(std::string_view foldedName);
  const HiveKey* FindChild(std::string_view foldedName) const;
  HiveValue* FindValue(std::string_view foldedName);
  const HiveValue* FindValue(std::string_view foldedName) const;

  // The child of that name, appended when it is new.
  HiveKey& ChildFor(std::string_view name);
  // Replaces the data of an existing value (keeping its place and the case
  // of its name) or appends a new one.
  void SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data);
};

class Hive {
 public:
  // rootName is the name the file's key paths start with
  // ("HKEY_LOCAL_MACHINE").
  explicit Hive(std::string rootName);

  const std::string& RootName() const { return m_strRootName; }
  HiveKey& Root() { return m_root; }
  const HiveKey& Root() const { return m_root; }

  // The key at that path of component names (compared without case);
  // nullptr when some level is missing. An empty path is the root.
  HiveKey* Find(const std::vector<std::string>& path);
  const HiveKey* Find(const std::vector<std::string>& path) const;
  // The key at that path, every missing level created. `created` tells
  // whether anything was added.
  HiveKey& Create(const std::vector<std::string>& path, bool& created);

  // The file text. Never fails: every name and value the hive can hold has
  // a form that reads back byte-exactly.
  std::string Serialize() const;

  // Reads a hive file's text. kErrorRegistryCorrupt for anything that is not
  // a well-formed hive of this root (missing header, a value outside a key,
  // a bad escape or hex list, invalid UTF-8, paths of another root); never
  // a partial result.
  static std::expected<Hive, Win32Error> Parse(std::string_view rootName, std::string_view text);

 private:
  std::string m_strRootName;
  HiveKey m_root;
};

// Splits "A\B\\C\" into its components; empty components are dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);

// Whether a name may be stored as a key name: 1 to 255 UTF-16 units, no
// backslash, no NUL and no line break (the hive text is line based).
bool IsValidKeyName(std::string_view name);
// Whether a name may be stored as a value name: up to 16383 UTF-16 units,
// no NUL and no line break.
bool IsValidValueName(std::string_view name);

// Names are kept as UTF-16 on Windows; text that is not valid UTF-8 would not
// survive that, so it is normalised the same way (bad bytes become U+FFFD).
std::string NormalizeName(std::string_view name);

}  // namespace platform::reg
