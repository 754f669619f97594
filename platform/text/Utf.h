#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is UTF-8; UTF-16 appears only where a format wants
// it. Limits that Windows states in characters count UTF-16 code units, so the
// helpers here measure and cut in those units, never inside a character.
namespace platform {

// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// The text as valid UTF-8: every byte that does not start a valid
// sequence (overlong forms, surrogates and truncated sequences included)
// becomes U+FFFD, exactly as Utf8ToUtf16 reads it.
std::string ToValidUtf8(std::string_view text);
// True when every byte belongs to a valid sequence (ASCII included).
bool IsValidUtf8(std::string_view text);

// Number of UTF-16 code units the UTF-8 text needs.
size_t Utf16Length(std::string_view text);

// The longest prefix of the text that fits in maxUnits UTF-16 code units
// without splitting a character.
std::string_view TruncateUtf16(std::string_view text, size_t maxUnits);

// Windows compares names without case; this folds ASCII and the common
// Unicode letters the way CompareStringOrdinal(..., TRUE) does for them.
std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace platform
