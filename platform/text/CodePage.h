#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The system's ANSI code page: the 8-bit text Windows hands to the outside
// (WideCharToMultiByte(CP_ACP)) and reads from files without a byte-order
// mark (MultiByteToWideChar(CP_ACP)).
namespace platform {

// GetACP: the ANSI code page of the system's language: 949 for Korean, 932
// Japanese, 936 Simplified and 950 Traditional Chinese, 1252 for the Western
// languages.
uint32_t GetAnsiCodePage();

// UTF-8 text in the ANSI code page. A character the code page lacks becomes
// "?", as WideCharToMultiByte's default character; invalid UTF-8 too.
// Never fails.
std::string Utf8ToAnsi(std::string_view text);
// The same in the given code page.
std::string Utf8ToAnsi(std::string_view text, uint32_t codePage);

// Bytes in the given code page as UTF-8 text (MultiByteToWideChar). Where
// the code page defines no character for a byte (a lead byte without a
// valid trail byte, an unassigned pair, a cut sequence at the end) that byte
// becomes U+FFFD and decoding goes on with the next byte, so a line end is
// never swallowed. Code page 1252 maps its five unassigned bytes, and 932
// and 949 their single byte 80, to the control characters of the same value,
// as Windows does (both ways). Never fails; a code
// page the system cannot convert keeps ASCII and gives U+FFFD for the rest.
std::string AnsiToUtf8(std::string_view bytes, uint32_t codePage);

}  // namespace platform
