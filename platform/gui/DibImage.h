#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::gui {

// The largest side of a bitmap the layer makes or loads.
inline constexpr int kMaxBitmapSide = 16384;

// The pixels of a DIB, top row first, one 0x00RRGGBB value per pixel.
struct DibImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// Decodes an uncompressed DIB without file header (BITMAPINFOHEADER or a
// larger header, colour table, pixels) of 1, 4, 8, 24 or 32 bits per pixel,
// bottom-up or top-down. nullopt when the header, the colour table or the
// pixel data do not hold together, or a side is above kMaxBitmapSide. A
// palette index past the table gives black.
std::optional<DibImage> DecodeDib(std::span<const uint8_t> dib);

}  // namespace platform::gui
