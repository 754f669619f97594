#include "platform/profile/ProfileDocument.h"

#include <algorithm>
#include <optional>

#include "platform/text/CodePage.h"
#include "platform/text/Utf.h"

namespace platform::profile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

bool IsAscii(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b < 0x80; });
}

// Offsets of the line-end characters (CR and LF) in the text or bytes.
template <typename Container>
std::vector<size_t> LineBreaks(const Container& text) {
  std::vector<size_t> breaks;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLineBreak(static_cast<char>(text[i]))) breaks.push_back(i);
  }
  return breaks;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimSpaces(std::string_view name) {
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

ProfileDocument ProfileDocument::Parse(std::span<const uint8_t> bytes, uint32_t codePage) {
  ProfileDocument doc;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    doc.m_encoding = TextEncoding::kUtf8Bom;
    doc.m_text.assign(bytes.begin() + 3, bytes.end());
  } else if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    doc.m_encoding = TextEncoding::kUtf16Le;
    doc.m_text = Utf16BytesToUtf8(bytes.subspan(2), Utf16End::kAtEnd, ByteOrder::kLittleEndian);
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    doc.m_encoding = TextEncoding::kUtf16Be;
    doc.m_text = Utf16BytesToUtf8(bytes.subspan(2), Utf16End::kAtEnd, ByteOrder::kBigEndian);
  } else {
    // Windows reads text without a byte-order mark in the ANSI code page.
    // Well-formed UTF-8 beyond ASCII is read as UTF-8 all the same: text in
    // a double-byte code page is almost never valid UTF-8, and the UTF-8
    // files our own tools write then read as they were meant. The code page
    // is decided for the whole file, as Windows converts the whole file
    // before it looks for lines.
    doc.m_text.assign(bytes.begin(), bytes.end());
    if (IsAscii(bytes)) {
      doc.m_encoding = TextEncoding::kAnsi;
    } else if (IsValidUtf8(doc.m_text)) {
      doc.m_encoding = TextEncoding::kUtf8;
    } else {
      doc.m_encoding = TextEncoding::kAnsi;
      doc.m_codePage = codePage != 0 ? codePage : GetAnsiCodePage();
      doc.m_text = AnsiToUtf8(doc.m_text, doc.m_codePage);
    }
  }

  const std::string& text = doc.m_text;
  bool lineEndKnown = false;
  ProfileSection* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t begin = pos;
    size_t contentEnd = begin;
    while (contentEnd < text.size() && text[contentEnd] != '\n' && text[contentEnd] != '\r') ++contentEnd;
    size_t lineEnd;
    if (contentEnd == text.size()) {
      lineEnd = contentEnd;
    } else if (text[contentEnd] == '\r' && contentEnd + 1 < text.size() && text[contentEnd + 1] == '\n') {
      lineEnd = contentEnd + 2;
    } else {
      lineEnd = contentEnd + 1;
    }
    if (!lineEndKnown && contentEnd < lineEnd) {
      lineEndKnown = true;
      doc.m_lineEnd = lineEnd - contentEnd == 2 ? "\r\n" : (text[contentEnd] == '\n' ? "\n" : "\r");
    }
    pos = lineEnd;

    std::string_view line = TrimBlanks(std::string_view(text).substr(begin, contentEnd - begin));
    if (line.empty()) continue;

    // A header is "[" up to the first "]"; whatever follows it on the line
    // does not count. Windows needs no "]": without one the name runs to
    // the end of the line.
    if (line.front() == '[') {
      size_t close = std::min(line.find(']'), line.size());
      if (current != nullptr) current->bodyEnd = begin;
      ProfileSection section;
      section.name = std::string(TrimBlanks(line.substr(1, close - 1)));
      section.foldedName = FoldCase(section.name);
      section.headerBegin = begin;
      section.headerEnd = lineEnd;
      section.insertAt = lineEnd;
      section.insertAfterUnterminatedLine = contentEnd == lineEnd;
      doc.m_firstSection.try_emplace(section.foldedName, doc.m_sections.size());
      doc.m_sections.push_back(std::move(section));
      current = &doc.m_sections.back();
      continue;
    }
    // Lines before the first section belong to nothing and are not read.
    if (current == nullptr) continue;
    // A comment is no key, for reading and for writing alike: a key asked
    // for as ";name" is not found, a new key goes above the comments that
    // end a section, and deleting the section leaves them where they are.
    if (line.front() == ';') continue;
    current->insertAt = lineEnd;
    current->insertAfterUnterminatedLine = contentEnd == lineEnd;

    ProfileEntry entry;
    entry.lineBegin = begin;
    entry.keyBegin = static_cast<size_t>(line.data() - text.data());
    entry.contentEnd = contentEnd;
    entry.lineEnd = lineEnd;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      entry.key = std::string(line);
    } else {
      entry.hasEquals = true;
      entry.key = std::string(TrimBlanks(line.substr(0, equals)));
      entry.value = std::string(TrimBlanks(line.substr(equals + 1)));
    }
    entry.foldedKey = FoldCase(entry.key);
    current->entries.push_back(std::move(entry));
  }
  if (current != nullptr) current->bodyEnd = text.size();
  return doc;
}

const ProfileSection* ProfileDocument::FindSection(std::string_view name) const {
  auto it = m_firstSection.find(FoldCase(TrimSpaces(name)));
  return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
}

const ProfileEntry* ProfileDocument::FindKey(const ProfileSection& section, std::string_view key) {
  std::string folded = FoldCase(TrimSpaces(key));
  for (const ProfileEntry& entry : section.entries) {
    if (entry.hasEquals && entry.foldedKey == folded) return &entry;
  }
  return nullptr;
}

std::vector<uint8_t> ProfileDocument::Apply(std::span<const uint8_t> original, std::span<const TextEdit> edits,
                                            uint32_t codePage) const {
  if (m_encoding == TextEncoding::kAnsi) return ApplyAnsi(original, edits, codePage);
  return Encode(Edited(edits));
}

std::string ProfileDocument::Edited(std::span<const TextEdit> edits) const {
  std::string text;
  size_t kept = 0;
  for (const TextEdit& edit : edits) {
    text.append(m_text, kept, edit.begin - kept);
    text += edit.replacement;
    kept = edit.end;
  }
  text.append(m_text, kept, std::string::npos);
  return text;
}

// The bytes outside the edits are copied, never decoded and encoded again:
// a byte that the code page does not define (read as U+FFFD) stays what it
// was. Line ends are single bytes in every ANSI code page and never part of
// a double-byte character, so the n-th line end of the text is the n-th of
// the bytes, and edits, which lie on line boundaries, map onto the bytes.
std::vector<uint8_t> ProfileDocument::ApplyAnsi(std::span<const uint8_t> original, std::span<const TextEdit> edits,
                                                uint32_t codePage) const {
  uint32_t page = m_codePage != 0 ? m_codePage : (codePage != 0 ? codePage : GetAnsiCodePage());
  bool decoded = m_codePage != 0;
  std::vector<size_t> textBreaks, byteBreaks;
  if (decoded) {
    textBreaks = LineBreaks(m_text);
    byteBreaks = LineBreaks(original);
  }
  auto toByte = [&](size_t offset) -> std::optional<size_t> {
    if (!decoded) return offset;
    if (offset == m_text.size()) return original.size();
    if (offset == 0) return 0;
    auto it = std::lower_bound(textBreaks.begin(), textBreaks.end(), offset - 1);
    if (it == textBreaks.end()) return std::nullopt;
    size_t index = static_cast<size_t>(it - textBreaks.begin());
    if (*it == offset - 1) return byteBreaks[index] + 1;  // just after a line end
    if (*it == offset) return byteBreaks[index];          // at a line end
    return std::nullopt;
  };

  std::vector<uint8_t> bytes;
  bytes.reserve(original.size() + 64);
  size_t kept = 0;
  bool mapped = !decoded || textBreaks.size() == byteBreaks.size();
  for (const TextEdit& edit : edits) {
    std::optional<size_t> begin = mapped ? toByte(edit.begin) : std::nullopt;
    std::optional<size_t> end = mapped ? toByte(edit.end) : std::nullopt;
    if (!begin || !end) {
      mapped = false;
      break;
    }
    bytes.insert(bytes.end(), original.begin() + static_cast<ptrdiff_t>(kept),
                 original.begin() + static_cast<ptrdiff_t>(*begin));
    std::string encoded = Utf8ToAnsi(edit.replacement, page);
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    kept = *end;
  }
  if (!mapped) {
    // Not reached with the writer's edits; encoding the whole new text is
    // the safe answer for any other.
    std::string encoded = Utf8ToAnsi(Edited(edits), page);
    return std::vector<uint8_t>(encoded.begin(), encoded.end());
  }
  bytes.insert(bytes.end(), original.begin() + static_cast<ptrdiff_t>(kept), original.end());
  return bytes;
}

std::vector<uint8_t> ProfileDocument::Encode(std::string_view text) const {
  std::vector<uint8_t> bytes;
  switch (m_encoding) {
    case TextEncoding::kAnsi:
    case TextEncoding::kUtf8:
      bytes.assign(text.begin(), text.end());
      break;
    case TextEncoding::kUtf8Bom:
      bytes.resize(3 + text.size());
      bytes[0] = 0xEF, bytes[1] = 0xBB, bytes[2] = 0xBF;
      std::copy(text.begin(), text.end(), bytes.begin() + 3);
      break;
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be: {
      bool bigEndian = m_encoding == TextEncoding::kUtf16Be;
      bytes.push_back(bigEndian ? 0xFE : 0xFF);
      bytes.push_back(bigEndian ? 0xFF : 0xFE);
      AppendUtf16Bytes(bytes, std::string_view(text), Utf16Nul::kOmit,
                       bigEndian ? ByteOrder::kBigEndian : ByteOrder::kLittleEndian);
      break;
    }
  }
  return bytes;
}

}  // namespace platform::profile
