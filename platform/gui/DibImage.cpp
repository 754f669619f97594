#include "platform/gui/DibImage.h"

namespace platform::gui {

namespace {

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t ReadU16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Rgb(const uint8_t* bgr) {
  return (static_cast<uint32_t>(bgr[2]) << 16) | (static_cast<uint32_t>(bgr[1]) << 8) | bgr[0];
}

}  // namespace

std::optional<DibImage> DecodeDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40) return std::nullopt;
  const uint32_t headerSize = ReadU32(dib, 0);
  if (headerSize < 40 || headerSize > dib.size()) return std::nullopt;
  const auto width = static_cast<int32_t>(ReadU32(dib, 4));
  const auto rawHeight = static_cast<int32_t>(ReadU32(dib, 8));
  const uint16_t bitCount = ReadU16(dib, 14);
  const uint32_t compression = ReadU32(dib, 16);
  const uint32_t colorsUsed = ReadU32(dib, 32);
  if (compression != 0) return std::nullopt;  // BI_RGB only
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return std::nullopt;
  if (width < 1 || width > kMaxBitmapSide || rawHeight == 0 || rawHeight < -kMaxBitmapSide ||
      rawHeight > kMaxBitmapSide)
    return std::nullopt;
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;

  size_t paletteCount = 0;
  if (bitCount <= 8) {
    const uint32_t maxColors = 1u << bitCount;
    paletteCount = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
  }
  const size_t paletteAt = headerSize;
  const size_t pixelsAt = paletteAt + paletteCount * 4;
  const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
  if (pixelsAt > dib.size() || (dib.size() - pixelsAt) / stride < static_cast<size_t>(height)) return std::nullopt;

  DibImage image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    const int srcRow = topDown ? y : height - 1 - y;
    const uint8_t* src = dib.data() + pixelsAt + static_cast<size_t>(srcRow) * stride;
    uint32_t* dst = image.pixels.data() + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (bitCount == 24 || bitCount == 32) {
        dst[x] = Rgb(src + static_cast<size_t>(x) * (bitCount / 8));
        continue;
      }
      const size_t bit = static_cast<size_t>(x) * bitCount;
      const unsigned shift = 8 - bitCount - static_cast<unsigned>(bit % 8);
      const size_t index = (src[bit / 8] >> shift) & ((1u << bitCount) - 1);
      dst[x] = index < paletteCount ? Rgb(dib.data() + paletteAt + index * 4) : 0;
    }
  }
  return image;
}

}  // namespace platform::gui
