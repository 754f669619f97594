#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// The profile (INI) functions with Windows' rules: section and key names
// without case, spaces around names and values trimmed, ";" lines are
// comments, the first of duplicate sections and keys wins, a value in
// matching single or double quotes loses them, results are cut to the
// caller's buffer (counted in UTF-16 code units, never inside a character).
//
// Files are read as UTF-8 (a UTF-8 byte-order mark is skipped, a UTF-16LE
// one is honoured). Reading works on a file or on bytes held in memory, so a
// signed file can be parsed from exactly the bytes that were verified.
namespace platform::profile {

inline constexpr size_t kDefaultBufferChars = 4096;

// What profile text is read from: a file (Windows path) or bytes in memory.
class Source {
 public:
  static Source File(std::string windowsPath);
  static Source Bytes(std::span<const uint8_t> bytes);  // copies the bytes
  static Source Text(std::string_view text);

  // The bytes to parse; empty when the file is missing or unreadable.
  const std::vector<uint8_t>& Load() const;

 private:
  std::optional<std::string> m_strPath;
  mutable std::vector<uint8_t> m_bytes;
  mutable bool m_bLoaded = false;
};

// GetPrivateProfileStringW: the value of the key, cut to bufferChars - 1
// code units; `def` (likewise cut) when the file, section or key is missing.
std::string GetString(const Source& source, std::string_view section, std::string_view key,
                      std::string_view def = "", size_t bufferChars = kDefaultBufferChars);

// GetPrivateProfileSectionNamesW: the exact buffer contents, each name
// followed by a NUL and the list by another. When the names do not fit, the
// list is cut at bufferChars - 2 and still ends in two NULs. A buffer of
// fewer than 2 characters gets nothing.
std::u16string GetSectionNames(const Source& source, size_t bufferChars);

// GetPrivateProfileSectionW: "key=value" entries of the section (trimmed,
// quotes kept, comments left out), each NUL-terminated, the list ending in
// another NUL; cut like GetSectionNames.
std::u16string GetSection(const Source& source, std::string_view section, size_t bufferChars);

// Splits a double-NUL list into its strings (UTF-8).
std::vector<std::string> SplitNulList(std::u16string_view list);

// WritePrivateProfileStringW on a file (Windows path): sets the key's value,
// creating the file, the section and the key as needed; a missing value
// deletes the key, a missing key deletes the section. Every other byte of
// the file is kept. The file is replaced atomically.
Win32Error WriteString(std::string_view windowsPath, std::string_view section,
                       std::optional<std::string_view> key,
                       std::optional<std::string_view> value);

}  // namespace platform::profile
