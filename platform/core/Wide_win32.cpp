#include "platform/core/Wide_win32.h"

#include "platform/text/Utf.h"

namespace platform {

// wchar_t is 16 bits on Windows, so the conversions of the text service serve
// as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Widen(std::string_view text) {
  std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace platform
