#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// The profile (INI) functions with Windows' rules: section and key names
// without case; in the file, spaces, tabs and vertical tabs around names and
// values do not count; in the names a caller asks for, only outer spaces do
// not (a tab there is part of the name); lines whose first non-blank
// character is ";" are comments (no key, even when asked for by a name
// starting with ";"), a header is "[" up to the first "]" or the line end,
// "[]" is a section that the empty name finds, text before the first section
// is not read, the first of duplicate sections and keys wins, a value in
// matching single or double quotes loses them, results are cut to the
// caller's buffer (counted in UTF-16 code units, never inside a character).
// Lines end in CR LF, LF or a lone CR; the last line needs no line end.
//
// Text without a byte-order mark is read in the system's ANSI code page, as
// Windows reads it (949 on a Korean system, 1252 on an English one), except
// that well-formed UTF-8 beyond ASCII is read as UTF-8; a UTF-8, UTF-16LE
// or UTF-16BE byte-order mark is honoured. Bytes a code page does not define
// become U+FFFD. Reading works on a file or on bytes held in memory, so a
// signed file can be parsed from exactly the bytes that were verified.
// docs/architecture.md ("Profile (INI) files: how they are read") gives the
// rules with the Windows behaviour behind each.
namespace platform::profile {

inline constexpr size_t kDefaultBufferChars = 4096;

class ProfileDocument;

// What profile text is read from: a file (Windows path) or bytes in memory.
//
// A memory source is parsed once, on first use (in the ANSI code page of
// that moment), and the parsed form is shared by its copies, so many
// look-ups on one update list cost one parse.
// A file source reads the file afresh on every call, as Windows does: the
// file may change between two calls (the trace switch is read for every line
// and takes effect at once). Only when its bytes are exactly those of a
// recent call is their parsed form reused. Sources may be used from several
// threads.
class Source {
 public:
  // A path without any folder ("x.ini") names a file in the Windows folder,
  // as Windows has it.
  static Source File(std::string windowsPath);
  static Source Bytes(std::span<const uint8_t> bytes);  // copies the bytes
  static Source Text(std::string_view text);

  bool IsFile() const { return m_strPath.has_value(); }

  // The bytes to parse; empty when the file is missing or unreadable.
  std::vector<uint8_t> Load() const;

  // The parsed text (never null; without sections when the file is missing).
  std::shared_ptr<const ProfileDocument> Parsed() const;

 private:
  struct Memory;
  std::optional<std::string> m_strPath;
  std::shared_ptr<Memory> m_memory;
};

// GetPrivateProfileStringW: the value of the key, cut to bufferChars - 1
// code units; `def` without its trailing spaces (and likewise cut) when the
// file, section or key is missing. A line without "=" is no key; "=v" is
// the key "". A buffer of 0 characters gets "".
std::string GetString(const Source& source, std::string_view section, std::string_view key,
                      std::string_view def = "", size_t bufferChars = kDefaultBufferChars);

// GetPrivateProfileSectionNamesW: the exact buffer contents, each name
// followed by a NUL and the list by another, in file order (a section that
// appears twice is listed twice; "[]" is not listed, since its empty name
// would end the list for every reader). A list that does not
// fit is cut to bufferChars - 2 code units (the last name loses its end,
// never half a character) and two NULs follow. No sections (or a missing
// file) give a single NUL; a buffer of 0 characters gets nothing, one of 1
// character a single NUL.
std::u16string GetSectionNames(const Source& source, size_t bufferChars);

// GetPrivateProfileSectionW: the lines of the first section of that name,
// each NUL-terminated, the list ending in another NUL; cut like
// GetSectionNames. A key line is "key=value" (both trimmed, quotes kept), a
// line without "=" is given as it stands (trimmed); comments and blank lines
// are left out. A missing section gives a single NUL.
std::u16string GetSection(const Source& source, std::string_view section, size_t bufferChars);

// Splits a NUL-separated list into its strings (UTF-8), up to the first
// empty string or the end.
std::vector<std::string> SplitNulList(std::u16string_view list);

// WritePrivateProfileStringW on a file (Windows path): sets the key's value,
// creating the file, the section and the key as needed; a missing value
// deletes the key, a missing key deletes the section header and its key
// lines (comments and blank lines stay, as on Windows). Every other byte of
// the file is kept: a changed key keeps its place, its indentation and its
// line end; a new key goes after the section's last key line (above the
// comments and blank lines that end it); a new section goes at the end. An
// empty section name writes "[]", an empty key "=value", which read back.
// The names lose their outer spaces. New lines take the line end the file
// uses (CR LF for a new file); a last line without a line end gets one
// before a line is added after it. The file keeps its encoding: a new file,
// and one without a byte-order mark that is not UTF-8, is written in the
// system's ANSI code page (a character it lacks becomes "?", as
// WideCharToMultiByte writes it), and the bytes of the lines not changed
// stay as they were. The file is replaced atomically; writers in this
// process are serialised.
//
// Returns 0, or: kErrorInvalidParameter for a line break or NUL in any of
// the three texts, a "]" in the section name, an "=" in the key, a key
// starting with ";" or "[" (a comment no reader finds, or a line that reads
// back as a header), or a section or key name with a tab or vertical tab at
// either end (inside its outer spaces), which would read back as another
// name; the read or write error of the file
// (kErrorPathNotFound when its folder is missing). Deleting from a missing
// file succeeds and creates nothing. On failure the file is untouched.
Win32Error WriteString(std::string_view windowsPath, std::string_view section,
                       std::optional<std::string_view> key,
                       std::optional<std::string_view> value);

}  // namespace platform::profile
