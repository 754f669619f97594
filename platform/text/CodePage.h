#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The system's ANSI code page, for the few places that hand 8-bit text to
// the outside (WideCharToMultiByte(CP_ACP)).
namespace platform {

// The ANSI code page of the simulated system's language: 949 for Korean,
// 932 Japanese, 936 Simplified and 950 Traditional Chinese, 1252 otherwise.
uint32_t GetAnsiCodePage();

// UTF-8 text in the ANSI code page. A character the code page lacks becomes
// "?", as WideCharToMultiByte's default character; invalid UTF-8 too.
// Never fails.
std::string Utf8ToAnsi(std::string_view text);

}  // namespace platform
