#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The parsed form of profile text that the profile functions share. It keeps
// the decoded text together with the position of every line it found, so a
// writer can change one line and leave every other byte where it was.
namespace platform::profile {

enum class TextEncoding {
  kUtf8,       // no byte-order mark; bytes that are not UTF-8 are kept as they are
  kUtf8Bom,    // EF BB BF
  kUtf16Le,    // FF FE
  kUtf16Be,    // FE FF
};

// One line inside a section that is not blank, not a comment (first
// non-blank character ";") and not a section header.
struct ProfileEntry {
  std::string key;         // trimmed, as written; the whole line when there is no "="
  std::string foldedKey;   // key compared without case
  std::string value;       // trimmed, quotes kept
  bool hasEquals = false;  // a line without "=" is listed by GetSection but is no key
  size_t lineBegin = 0;    // offset of the line in the text
  size_t keyBegin = 0;     // offset of the key's first character
  size_t contentEnd = 0;   // offset of the line end (or the end of the text)
  size_t lineEnd = 0;      // offset after the line end
};

struct ProfileSection {
  std::string name;        // trimmed, as written
  std::string foldedName;
  size_t headerBegin = 0;  // offset of the "[name]" line
  size_t headerEnd = 0;    // offset after that line's line end
  size_t bodyEnd = 0;      // offset of the next section's header line, or the end
  // Where a new key goes: after the section's last key line, or lines
  // without "=" (the header when there is none), as Windows puts it, so
  // comments and blank lines that end the section stay below the new key.
  size_t insertAt = 0;
  bool insertAfterUnterminatedLine = false;  // that line ends the text without a line end
  std::vector<ProfileEntry> entries;
};

class ProfileDocument {
 public:
  ProfileDocument() = default;

  // Decodes and parses the bytes. Never fails: text that is no profile
  // gives a document without sections.
  static ProfileDocument Parse(std::span<const uint8_t> bytes);

  // The first section with this name (compared without case, the name
  // trimmed first); nullptr when there is none.
  const ProfileSection* FindSection(std::string_view name) const;
  // The first line of the section that has this key and an "=";
  // nullptr when there is none.
  static const ProfileEntry* FindKey(const ProfileSection& section, std::string_view key);

  const std::vector<ProfileSection>& Sections() const { return m_sections; }
  // The decoded text (UTF-8) the offsets refer to, without a byte-order mark.
  const std::string& Text() const { return m_text; }
  TextEncoding Encoding() const { return m_encoding; }
  // The line end the text uses first ("\r\n", "\n" or "\r"); "\r\n" when
  // the text has none.
  std::string_view LineEnd() const { return m_lineEnd; }

  // Bytes of a text in this document's encoding, with its byte-order mark.
  std::vector<uint8_t> Encode(std::string_view text) const;

 private:
  std::string m_text;
  TextEncoding m_encoding = TextEncoding::kUtf8;
  std::string_view m_lineEnd = "\r\n";
  std::vector<ProfileSection> m_sections;
  std::unordered_map<std::string, size_t> m_firstSection;  // folded name -> index
};

// Spaces and tabs around names and values do not count.
std::string_view TrimBlanks(std::string_view text);

}  // namespace platform::profile
