#include "platform/gui/Icon.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gui/GdiNative_gtk.h"
#include "platform/gui/IconGroup.h"
#include "platform/gui/NativeObjects.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

namespace {

constexpr int kMaxIconSide = 512;

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t ReadU16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

struct PngReader {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->bytes.size() - reader->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->at, length);
  reader->at += length;
  return CAIRO_STATUS_SUCCESS;
}

cairo_surface_t* DecodePng(std::span<const uint8_t> bytes) {
  PngReader reader{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

// An icon image as the .ico format stores it: a DIB of doubled height (the
// colour pixels, then a 1-bit AND mask), 24 or 32 bits per pixel.
cairo_surface_t* DecodeIconDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40) return nullptr;
  const uint32_t headerSize = ReadU32(dib, 0);
  const auto width = static_cast<int32_t>(ReadU32(dib, 4));
  const auto doubledHeight = static_cast<int32_t>(ReadU32(dib, 8));
  const uint16_t bitCount = ReadU16(dib, 14);
  if (headerSize < 40 || headerSize > dib.size() || ReadU32(dib, 16) != 0) return nullptr;
  if (bitCount != 24 && bitCount != 32) return nullptr;
  if (width < 1 || width > kMaxIconSide || doubledHeight < 2 || doubledHeight > 2 * kMaxIconSide) return nullptr;
  const int height = doubledHeight / 2;
  const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
  const size_t maskStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
  const size_t colourAt = headerSize;
  const size_t maskAt = colourAt + stride * height;
  if (maskAt > dib.size()) return nullptr;
  const bool hasMask = dib.size() - maskAt >= maskStride * height;

  // 32-bit images carry alpha; old ones leave it 0 and rely on the mask.
  bool anyAlpha = false;
  if (bitCount == 32) {
    for (int y = 0; y < height && !anyAlpha; ++y)
      for (int x = 0; x < width; ++x)
        if (dib[colourAt + y * stride + x * 4 + 3] != 0) {
          anyAlpha = true;
          break;
        }
  }

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int dstStride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < height; ++y) {
    const int row = height - 1 - y;
    const uint8_t* src = dib.data() + colourAt + row * stride;
    auto* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * dstStride);
    for (int x = 0; x < width; ++x) {
      const uint8_t* px = src + x * (bitCount / 8);
      uint32_t alpha = 255;
      if (anyAlpha) {
        alpha = px[3];
      } else if (hasMask) {
        const uint8_t maskByte = dib[maskAt + row * maskStride + x / 8];
        alpha = (maskByte & (0x80 >> (x % 8))) ? 0 : 255;
      }
      const uint32_t r = px[2] * alpha / 255, g = px[1] * alpha / 255, b = px[0] * alpha / 255;
      dst[x] = (alpha << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

}  // namespace

void FreeNativeIcon(NativeIcon* p) {
  if (!p) return;
  for (NativeIconImage& image : p->images) cairo_surface_destroy(image.surface);
  delete p;
}

BOOL Icon::LoadIcon(UINT nIDResource) {
  if (nIDResource > 0xFFFF) return FALSE;
  auto group = FindModuleResource(ResourceName(kRtGroupIcon), ResourceName(static_cast<uint16_t>(nIDResource)));
  if (!group) return FALSE;
  auto* native = new NativeIcon;
  for (const IconGroupImage& entry : ReadIconGroup(*group)) {
    auto image = FindModuleResource(ResourceName(kRtIcon), ResourceName(entry.imageId));
    if (!image) continue;
    static constexpr uint8_t kPngMagic[] = {0x89, 'P', 'N', 'G'};
    const bool png = image->size() >= 4 && std::equal(kPngMagic, kPngMagic + 4, image->begin());
    cairo_surface_t* surface = png ? DecodePng(*image) : DecodeIconDib(*image);
    if (!surface) continue;
    native->images.push_back(
        {surface, {cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)}});
  }
  if (native->images.empty()) {
    FreeNativeIcon(native);
    return FALSE;
  }
  std::sort(native->images.begin(), native->images.end(),
            [](const NativeIconImage& a, const NativeIconImage& b) { return a.size.cx > b.size.cx; });
  for (const NativeIconImage& image : native->images) native->sizes.push_back(image.size);
  FreeNativeIcon(m_pNative);
  m_pNative = native;
  return TRUE;
}

std::span<const Size> Icon::GetSizes() const {
  return m_pNative ? std::span<const Size>(m_pNative->sizes) : std::span<const Size>();
}

}  // namespace platform::gui
