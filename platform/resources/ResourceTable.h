#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Resources found by type and name, the way FindResource/LoadResource see
// them, read from a compiled resource file (.res, as windres writes it) or
// from the resource directory of a PE image.
namespace platform {

inline constexpr Win32Error kErrorResourceDataNotFound = 1812;
inline constexpr Win32Error kErrorResourceTypeNotFound = 1813;
inline constexpr Win32Error kErrorResourceNameNotFound = 1814;

// Predefined resource types (RT_*).
inline constexpr uint16_t kRtBitmap = 2;
inline constexpr uint16_t kRtIcon = 3;
inline constexpr uint16_t kRtDialog = 5;
inline constexpr uint16_t kRtString = 6;
inline constexpr uint16_t kRtRcData = 10;
inline constexpr uint16_t kRtGroupIcon = 14;
inline constexpr uint16_t kRtVersion = 16;

// Language ids of the copy choice.
inline constexpr uint16_t kLangNeutral = 0x0000;
inline constexpr uint16_t kLangEnglishUs = 0x0409;
inline constexpr uint16_t kLangEnglish = 0x0009;

// A resource type or name: a 16-bit id or a string. Strings compare without
// regard to case, as Windows upper-cases them when it compiles a script.
class ResourceName {
 public:
  ResourceName(uint16_t id) : m_nId(id), m_bIsId(true) {}  // NOLINT: ids convert implicitly
  ResourceName(std::string_view name);                      // NOLINT: so do names
  static ResourceName FromUtf16(std::u16string name);

  bool IsId() const { return m_bIsId; }
  uint16_t Id() const { return m_nId; }
  const std::u16string& Name() const { return m_strName; }
  bool operator==(const ResourceName& other) const;

 private:
  ResourceName() = default;
  uint16_t m_nId = 0;
  bool m_bIsId = false;
  std::u16string m_strName;  // upper-cased
};

struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  std::span<const uint8_t> data;  // points into the bytes the table was made from
};

// The table keeps spans into the bytes it was made from; those bytes must
// outlive it.
class ResourceTable {
 public:
  ResourceTable() = default;

  // Reads a .res file: a sequence of resource headers, each followed by its
  // data, both aligned to four bytes. kErrorInvalidData for a malformed file.
  static std::expected<ResourceTable, Win32Error> FromResFile(std::span<const uint8_t> bytes);

  // Walks the resource directory (type, name, language) of a PE image.
  // kErrorBadExeFormat when the bytes are no PE image, kErrorResourceDataNotFound
  // when the image has no resource directory, kErrorInvalidData when the
  // directory is malformed. Cycles and absurd entry counts end the walk with
  // kErrorInvalidData instead of looping.
  static std::expected<ResourceTable, Win32Error> FromPeImage(std::span<const uint8_t> file);

  // Where the user's UI language comes from. It is asked only when a
  // resource has several language copies and none of them is neutral; null
  // means no UI language (only the English and first-copy rules apply).
  using UiLanguageSource = uint16_t (*)();

  // FindResource + LoadResource: the data of the entry with this type and
  // name, picking among its language copies as Windows does: the neutral
  // copy (0), then the user's UI language, that language's neutral form
  // (primary language, neutral sublanguage), English (US) 0x0409, English
  // 0x0009, and else the first copy in table order (the lowest language).
  // kErrorResourceTypeNotFound when no entry has the type,
  // kErrorResourceNameNotFound when none of them has the name.
  std::expected<std::span<const uint8_t>, Win32Error> Find(const ResourceName& type, const ResourceName& name,
                                                           UiLanguageSource uiLanguage) const;

  // LoadStringW: string `id` of the string table (block id / 16 + 1, entry
  // id % 16, the block's copy chosen as Find does), as UTF-8. Empty when the
  // block or the entry is missing or the block is truncated.
  std::string FindString(uint32_t id, UiLanguageSource uiLanguage) const;

  const std::vector<ResourceEntry>& Entries() const { return m_entries; }

 private:
  std::vector<ResourceEntry> m_entries;
};

}  // namespace platform
