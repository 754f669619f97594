#include "platform/text/CodePage.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// One character of the code page (one byte, or a lead byte and its trail),
// appended when the code page defines it.
bool DecodeOne(uint32_t codePage, const char* bytes, int count, std::wstring& out) {
  wchar_t units[2];
  int made = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, units, 2);
  if (made <= 0) return false;
  out.append(units, static_cast<size_t>(made));
  return true;
}

// The byte-by-byte way, for text the code page does not wholly define: an
// undefined byte gives U+FFFD and the next byte starts afresh, where
// MultiByteToWideChar would put its default character for a pair and could
// take a line end with it.
std::wstring DecodeByteByByte(uint32_t codePage, std::string_view bytes) {
  std::wstring out;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out += static_cast<wchar_t>(byte);
      ++i;
    } else if (i + 1 < bytes.size() && ::IsDBCSLeadByteEx(codePage, byte) && DecodeOne(codePage, &bytes[i], 2, out)) {
      i += 2;
    } else {
      if (!DecodeOne(codePage, &bytes[i], 1, out)) out += kReplacement;
      ++i;
    }
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

uint32_t GetAnsiCodePage() { return ::GetACP(); }

std::string Utf8ToAnsi(std::string_view text) { return Utf8ToAnsi(text, GetAnsiCodePage()); }

std::string Utf8ToAnsi(std::string_view text, uint32_t codePage) {
  if (IsAscii(text)) return std::string(text);
  // Invalid UTF-8 is U+FFFD by now, which no ANSI code page has.
  std::wstring wide = Widen(text);
  if (!::IsValidCodePage(codePage)) {
    std::string out;
    for (wchar_t unit : wide) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) continue;  // the second half of a pair
      out += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
  }
  // No best fit: a character the code page lacks is "?", never a look-alike
  // (best fit would turn a full-width backslash into a path separator).
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  int size = ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                   nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                        nullptr);
  return out;
}

std::string AnsiToUtf8(std::string_view bytes, uint32_t codePage) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (!::IsValidCodePage(codePage)) {
    std::wstring out;
    for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : kReplacement;
    return Narrow(out);
  }
  const int count = static_cast<int>(bytes.size());
  int size = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0);
  if (size <= 0) return Narrow(DecodeByteByByte(codePage, bytes));
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), count, wide.data(), size);
  return Narrow(wide);
}

}  // namespace platform
