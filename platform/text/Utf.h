#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// UTF-16 stored as bytes: registry values, resources, version blocks, .inf
// and report files. Every reader and writer of such bytes goes through the
// functions below, so these rules hold everywhere:
// - Byte order is little-endian (how Windows stores it) unless a caller that
//   found a big-endian byte-order mark says otherwise.
// - A trailing odd byte cannot be half of anything readable and is dropped.
// - Lone surrogates stay as they are in the code units; they become U+FFFD
//   only when the text is turned into UTF-8.
// - kAtEnd reads every unit, NULs inside included. kAtFirstNul stops before
//   the first NUL unit, as Windows' readers of terminated text do; text with
//   no NUL at all runs to the end of the bytes (a missing terminator is no
//   error). A format that requires the terminator reads with
//   ReadTerminatedUtf16 instead.
// - Encoding takes UTF-8 (invalid sequences become U+FFFD) or code units and
//   writes no byte-order mark; kAppend adds one NUL unit after the text.
enum class ByteOrder { kLittleEndian, kBigEndian };
enum class Utf16End { kAtEnd, kAtFirstNul };
enum class Utf16Nul { kOmit, kAppend };

// Never fails: bytes that are not UTF-16 still give code units.
std::u16string Utf16FromBytes(std::span<const uint8_t> bytes, Utf16End end = Utf16End::kAtEnd,
                              ByteOrder order = ByteOrder::kLittleEndian);
std::string Utf16BytesToUtf8(std::span<const uint8_t> bytes, Utf16End end = Utf16End::kAtEnd,
                             ByteOrder order = ByteOrder::kLittleEndian);
// A NUL-terminated little-endian string at the start of bytes, as resource
// and dialog templates hold it: its units (without the NUL) and the bytes it
// takes with the NUL. Nothing when no NUL follows within maxUnits units.
struct TerminatedUtf16 {
  std::u16string units;
  size_t byteCount = 0;
};
std::optional<TerminatedUtf16> ReadTerminatedUtf16(std::span<const uint8_t> bytes, size_t maxUnits = SIZE_MAX);

void AppendUtf16Bytes(std::vector<uint8_t>& out, std::u16string_view units, Utf16Nul nul = Utf16Nul::kOmit,
                      ByteOrder order = ByteOrder::kLittleEndian);
void AppendUtf16Bytes(std::vector<uint8_t>& out, std::string_view text, Utf16Nul nul = Utf16Nul::kOmit,
                      ByteOrder order = ByteOrder::kLittleEndian);
std::vector<uint8_t> Utf16Bytes(std::string_view text, Utf16Nul nul = Utf16Nul::kOmit);

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
