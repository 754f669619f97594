#include "platform/text/Utf.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[pos]; advances pos. Overlong forms,
// surrogates and truncated sequences give U+FFFD and consume one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  size_t length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + length > text.size()) {
    ++pos;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    uint8_t next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t FoldChar(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  // Latin-1 and Latin Extended-A, Greek and Cyrillic capitals: the letters
  // whose lower case sits at a fixed distance.
  if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) return cp + 32;
  if (cp >= 0x100 && cp <= 0x17F && cp % 2 == 0) return cp + 1;
  if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;
  if (cp >= 0x410 && cp <= 0x42F) return cp + 32;
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;
  if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 32;  // full-width Latin
  return cp;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = DecodeUtf8(text, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) AppendUtf8(out, DecodeUtf8(text, pos));
  return out;
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<uint8_t>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    size_t start = pos;
    // A bad sequence gives U+FFFD after one byte; a written U+FFFD takes three.
    if (DecodeUtf8(text, pos) == kReplacement && pos - start == 1) return false;
  }
  return true;
}

std::u16string Utf16FromBytes(std::span<const uint8_t> bytes, Utf16End end, ByteOrder order) {
  const bool big = order == ByteOrder::kBigEndian;
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned lo = big ? bytes[i + 1] : bytes[i];
    const unsigned hi = big ? bytes[i] : bytes[i + 1];
    const char16_t unit = static_cast<char16_t>(lo | (hi << 8));
    if (unit == u'\0' && end == Utf16End::kAtFirstNul) break;
    units.push_back(unit);
  }
  return units;
}

std::string Utf16BytesToUtf8(std::span<const uint8_t> bytes, Utf16End end, ByteOrder order) {
  return Utf16ToUtf8(Utf16FromBytes(bytes, end, order));
}

std::optional<TerminatedUtf16> ReadTerminatedUtf16(std::span<const uint8_t> bytes, size_t maxUnits) {
  // Reading one unit past the limit tells a name of maxUnits from a longer one.
  const size_t window = maxUnits < bytes.size() / 2 ? maxUnits + 1 : bytes.size() / 2;
  TerminatedUtf16 text{Utf16FromBytes(bytes.first(window * 2), Utf16End::kAtFirstNul), 0};
  if (text.units.size() == window) return std::nullopt;
  text.byteCount = text.units.size() * 2 + 2;
  return text;
}

void AppendUtf16Bytes(std::vector<uint8_t>& out, std::u16string_view units, Utf16Nul nul, ByteOrder order) {
  const bool big = order == ByteOrder::kBigEndian;
  out.reserve(out.size() + units.size() * 2 + 2);
  auto append = [&](char16_t unit) {
    const uint8_t lo = static_cast<uint8_t>(unit & 0xFF);
    const uint8_t hi = static_cast<uint8_t>(unit >> 8);
    out.push_back(big ? hi : lo);
    out.push_back(big ? lo : hi);
  };
  for (char16_t unit : units) append(unit);
  if (nul == Utf16Nul::kAppend) append(u'\0');
}

void AppendUtf16Bytes(std::vector<uint8_t>& out, std::string_view text, Utf16Nul nul, ByteOrder order) {
  AppendUtf16Bytes(out, std::u16string_view(Utf8ToUtf16(text)), nul, order);
}

std::vector<uint8_t> Utf16Bytes(std::string_view text, Utf16Nul nul) {
  std::vector<uint8_t> bytes;
  AppendUtf16Bytes(bytes, text, nul);
  return bytes;
}

size_t Utf16Length(std::string_view text) {
  size_t units = 0;
  size_t pos = 0;
  while (pos < text.size()) units += DecodeUtf8(text, pos) >= 0x10000 ? 2 : 1;
  return units;
}

std::string_view TruncateUtf16(std::string_view text, size_t maxUnits) {
  size_t units = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t next = pos;
    size_t width = DecodeUtf8(text, next) >= 0x10000 ? 2 : 1;
    if (units + width > maxUnits) break;
    units += width;
    pos = next;
  }
  return text.substr(0, pos);
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<uint8_t>(text[pos]) < 0x80) {
      char c = text[pos++];
      out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
      continue;
    }
    size_t start = pos;
    char32_t cp = DecodeUtf8(text, pos);
    if (cp == kReplacement) {
      out.append(text.substr(start, pos - start));  // keep invalid bytes as they are
    } else {
      AppendUtf8(out, FoldChar(cp));
    }
  }
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

}  // namespace platform
