#include "resources/artwork/ImageFiles.h"

#include <cstdint>
#include <fstream>
#include <iterator>

namespace {

void Put16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutInfoHeader(std::string& out, int width, int height, uint16_t bitCount, uint32_t imageSize,
                   uint32_t pixelsPerMetre) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bitCount);
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, pixelsPerMetre);
  Put32(out, pixelsPerMetre);
  Put32(out, 0);
  Put32(out, 0);
}

// One pixel of a cairo image in native-endian 0xAARRGGBB.
uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
  const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  return reinterpret_cast<const uint32_t*>(row)[x];
}

uint8_t Unpremultiply(uint32_t channel, uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<uint8_t>((channel * 255 + alpha / 2) / alpha);
}

std::string IconImage(const Canvas& canvas) {
  cairo_surface_flush(canvas.Surface());
  const int size = canvas.Width();
  const uint32_t maskStride = static_cast<uint32_t>((size + 31) / 32 * 4);
  const uint32_t imageSize = static_cast<uint32_t>(size * size * 4) + maskStride * static_cast<uint32_t>(size);
  std::string out;
  PutInfoHeader(out, size, size * 2, 32, imageSize, 0);
  std::string mask;
  for (int y = size - 1; y >= 0; --y) {
    std::string maskRow(maskStride, '\0');
    for (int x = 0; x < size; ++x) {
      const uint32_t argb = PixelAt(canvas.Surface(), x, y);
      const uint32_t alpha = argb >> 24;
      out.push_back(static_cast<char>(Unpremultiply(argb & 0xFF, alpha)));
      out.push_back(static_cast<char>(Unpremultiply((argb >> 8) & 0xFF, alpha)));
      out.push_back(static_cast<char>(Unpremultiply((argb >> 16) & 0xFF, alpha)));
      out.push_back(static_cast<char>(alpha));
      // The AND mask marks the fully transparent pixels for readers that
      // ignore the alpha channel.
      if (alpha == 0) maskRow[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    mask += maskRow;
  }
  return out + mask;
}

}  // namespace

std::string EncodeBmp24(const Canvas& canvas) {
  cairo_surface_flush(canvas.Surface());
  const int width = canvas.Width();
  const int height = canvas.Height();
  const int stride = (width * 3 + 3) & ~3;
  const uint32_t imageSize = static_cast<uint32_t>(stride * height);
  constexpr uint32_t kHeadersSize = 14 + 40;
  std::string out;
  out += "BM";
  Put32(out, kHeadersSize + imageSize);
  Put32(out, 0);
  Put32(out, kHeadersSize);
  PutInfoHeader(out, width, height, 24, imageSize, 2835);  // 72 dpi
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = PixelAt(canvas.Surface(), x, y);
      out.push_back(static_cast<char>(rgb & 0xFF));
      out.push_back(static_cast<char>((rgb >> 8) & 0xFF));
      out.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    }
    out.append(static_cast<size_t>(stride - width * 3), '\0');
  }
  return out;
}

std::string EncodeIco(const std::vector<const Canvas*>& images) {
  std::string directory;
  Put16(directory, 0);
  Put16(directory, 1);  // icon
  Put16(directory, static_cast<uint16_t>(images.size()));
  std::string data;
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const Canvas* canvas : images) {
    const std::string image = IconImage(*canvas);
    const int size = canvas->Width();
    directory.push_back(static_cast<char>(size % 256));  // 0 stands for 256
    directory.push_back(static_cast<char>(size % 256));
    directory.push_back(0);  // no palette
    directory.push_back(0);
    Put16(directory, 1);
    Put16(directory, 32);
    Put32(directory, static_cast<uint32_t>(image.size()));
    Put32(directory, offset);
    offset += static_cast<uint32_t>(image.size());
    data += image;
  }
  return directory + data;
}

bool WriteIfChanged(const std::string& path, const std::string& bytes) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      const std::string present((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (present == bytes) return true;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}
