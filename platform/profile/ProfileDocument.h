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
  kAnsi,     // no byte-order mark: the ANSI code page (also plain ASCII and an empty file)
  kUtf8,     // no byte-order mark, but well-formed UTF-8 with characters beyond ASCII
  kUtf8Bom,  // EF BB BF; bytes that are not UTF-8 are kept as they are
  kUtf16Le,  // FF FE
  kUtf16Be,  // FE FF
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

// One change of the text: [begin, end) becomes the replacement. Both ends
// lie on line boundaries (a line's start, its line end, the end of the text).
struct TextEdit {
  size_t begin = 0;
  size_t end = 0;
  std::string replacement;
};

class ProfileDocument {
 public:
  ProfileDocument() = default;

  // Decodes and parses the bytes. Text without a byte-order mark is read in
  // codePage (0: the system's ANSI code page, asked only when the text
  // needs it), unless it is well-formed UTF-8. Never fails: text that is no
  // profile gives a document without sections.
  static ProfileDocument Parse(std::span<const uint8_t> bytes, uint32_t codePage = 0);

  // The first section with this name (compared without case, the name
  // without its outer spaces); nullptr when there is none.
  const ProfileSection* FindSection(std::string_view name) const;
  // The first line of the section that has this key (compared like
  // section names) and an "="; nullptr when there is none.
  static const ProfileEntry* FindKey(const ProfileSection& section, std::string_view key);

  const std::vector<ProfileSection>& Sections() const { return m_sections; }
  // The decoded text (UTF-8) the offsets refer to, without a byte-order mark.
  const std::string& Text() const { return m_text; }
  TextEncoding Encoding() const { return m_encoding; }
  // The code page the text was decoded with; 0 when it needed none (a
  // byte-order mark, UTF-8, or ASCII only), so that its reading does not
  // depend on the system's language.
  uint32_t DecodedWith() const { return m_codePage; }
  // The line end the text uses first ("\r\n", "\n" or "\r"); "\r\n" when
  // the text has none.
  std::string_view LineEnd() const { return m_lineEnd; }

  // The file's bytes after the edits (sorted, not overlapping), in this
  // document's encoding. `original` must be the bytes this document was
  // parsed from. An ANSI file keeps every byte outside the edits as it was;
  // the replacements are written in its code page (codePage, or the
  // system's when 0 and the text gave none), a character the code page
  // lacks as "?".
  std::vector<uint8_t> Apply(std::span<const uint8_t> original, std::span<const TextEdit> edits,
                             uint32_t codePage = 0) const;

 private:
  std::string Edited(std::span<const TextEdit> edits) const;
  std::vector<uint8_t> Encode(std::string_view text) const;
  std::vector<uint8_t> ApplyAnsi(std::span<const uint8_t> original, std::span<const TextEdit> edits,
                                 uint32_t codePage) const;

  std::string m_text;
  TextEncoding m_encoding = TextEncoding::kAnsi;
  uint32_t m_codePage = 0;
  std::string_view m_lineEnd = "\r\n";
  std::vector<ProfileSection> m_sections;
  std::unordered_map<std::string, size_t> m_firstSection;  // folded name -> index
};

// In the file's text, Windows does not count spaces, tabs and vertical tabs
// around names and values, nor before a line's first character.
std::string_view TrimBlanks(std::string_view text);
// In the names a caller asks for, Windows drops only the outer spaces; a tab
// there is part of the name.
std::string_view TrimSpaces(std::string_view name);

}  // namespace platform::profile
