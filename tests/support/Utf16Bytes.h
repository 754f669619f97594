#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// UTF-16LE bytes written out unit by unit, as a test's expected registry or
// file bytes: never made by the encoder under test, and able to hold what no
// UTF-8 text can (a lone surrogate).
inline std::vector<uint8_t> Utf16LeBytes(std::u16string_view text, bool terminate) {
  std::vector<uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  if (terminate) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}
