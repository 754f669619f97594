#include "platform/gui/Bitmap.h"

#include <cstring>
#include <utility>

#include "platform/gui/GdiNative_gtk.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

namespace {

constexpr int kMaxSide = 16384;

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t ReadU16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

NativeBitmap* MakeNative(int cx, int cy) {
  if (cx < 1 || cy < 1 || cx > kMaxSide || cy > kMaxSide) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cx, cy);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  // A new image surface is zero-filled: black, as GDI's new bitmaps.
  return new NativeBitmap{surface, cx, cy};
}

void FreeNative(NativeBitmap* p) {
  if (!p) return;
  cairo_surface_destroy(p->surface);
  delete p;
}

// Decodes an uncompressed DIB into a new RGB24 surface; nullptr when the
// header, colour table or pixel data do not hold together.
NativeBitmap* DecodeDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40) return nullptr;
  const uint32_t headerSize = ReadU32(dib, 0);
  if (headerSize < 40 || headerSize > dib.size()) return nullptr;
  const auto width = static_cast<int32_t>(ReadU32(dib, 4));
  const auto rawHeight = static_cast<int32_t>(ReadU32(dib, 8));
  const uint16_t bitCount = ReadU16(dib, 14);
  const uint32_t compression = ReadU32(dib, 16);
  uint32_t colorsUsed = ReadU32(dib, 32);
  if (compression != 0) return nullptr;  // BI_RGB only
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return nullptr;
  if (width < 1 || width > kMaxSide || rawHeight == 0 || rawHeight < -kMaxSide || rawHeight > kMaxSide) return nullptr;
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
  if (pixelsAt > dib.size() || (dib.size() - pixelsAt) / stride < static_cast<size_t>(height)) return nullptr;

  NativeBitmap* native = MakeNative(width, height);
  if (!native) return nullptr;
  cairo_surface_flush(native->surface);
  unsigned char* data = cairo_image_surface_get_data(native->surface);
  const int dstStride = cairo_image_surface_get_stride(native->surface);
  for (int y = 0; y < height; ++y) {
    const int srcRow = topDown ? y : height - 1 - y;
    const uint8_t* src = dib.data() + pixelsAt + static_cast<size_t>(srcRow) * stride;
    auto* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * dstStride);
    for (int x = 0; x < width; ++x) {
      uint8_t b = 0, g = 0, r = 0;
      if (bitCount == 24 || bitCount == 32) {
        const uint8_t* px = src + static_cast<size_t>(x) * (bitCount / 8);
        b = px[0];
        g = px[1];
        r = px[2];
      } else {
        const size_t bit = static_cast<size_t>(x) * bitCount;
        const uint8_t byte = src[bit / 8];
        const unsigned shift = 8 - bitCount - static_cast<unsigned>(bit % 8);
        const size_t index = (byte >> shift) & ((1u << bitCount) - 1);
        if (index < paletteCount) {
          const uint8_t* entry = dib.data() + paletteAt + index * 4;
          b = entry[0];
          g = entry[1];
          r = entry[2];
        }
      }
      dst[x] = 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
    }
  }
  cairo_surface_mark_dirty(native->surface);
  return native;
}

}  // namespace

COLORREF ReadSurfacePixel(cairo_surface_t* surface, int x, int y) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return CLR_INVALID;
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  uint32_t px = 0;
  std::memcpy(&px, data + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface) + static_cast<size_t>(x) * 4, 4);
  return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

Bitmap::~Bitmap() { FreeNative(m_pNative); }

Bitmap::Bitmap(Bitmap&& other) noexcept : m_pNative(std::exchange(other.m_pNative, nullptr)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    FreeNative(m_pNative);
    m_pNative = std::exchange(other.m_pNative, nullptr);
  }
  return *this;
}

BOOL Bitmap::LoadBitmap(UINT nIDResource) {
  if (nIDResource > 0xFFFF) return FALSE;
  auto data = FindModuleResource(ResourceName(kRtBitmap), ResourceName(static_cast<uint16_t>(nIDResource)));
  if (!data) return FALSE;
  return LoadFromDib(*data);
}

BOOL Bitmap::LoadFromDib(std::span<const uint8_t> dib) {
  NativeBitmap* native = DecodeDib(dib);
  if (!native) return FALSE;
  FreeNative(m_pNative);
  m_pNative = native;
  return TRUE;
}

BOOL Bitmap::CreateBitmap(int cx, int cy) {
  NativeBitmap* native = MakeNative(cx, cy);
  if (!native) return FALSE;
  FreeNative(m_pNative);
  m_pNative = native;
  return TRUE;
}

BOOL Bitmap::CreateCompatibleBitmap(const DC*, int cx, int cy) { return CreateBitmap(cx, cy); }

BOOL Bitmap::DeleteObject() {
  if (!m_pNative) return FALSE;
  FreeNative(std::exchange(m_pNative, nullptr));
  return TRUE;
}

int Bitmap::GetObject(BITMAP* pBitmap) const {
  if (!m_pNative || !pBitmap) return 0;
  pBitmap->bmType = 0;
  pBitmap->bmWidth = m_pNative->width;
  pBitmap->bmHeight = m_pNative->height;
  pBitmap->bmWidthBytes = ((m_pNative->width * 24 + 15) / 16) * 2;
  pBitmap->bmPlanes = 1;
  pBitmap->bmBitsPixel = 24;
  return static_cast<int>(sizeof(BITMAP));
}

Size Bitmap::GetSize() const { return m_pNative ? Size{m_pNative->width, m_pNative->height} : Size{}; }

COLORREF Bitmap::GetPixel(int x, int y) const {
  return m_pNative ? ReadSurfacePixel(m_pNative->surface, x, y) : CLR_INVALID;
}

BOOL Bitmap::SaveAsPng(const std::string& hostPath) const {
  if (!m_pNative) return FALSE;
  return cairo_surface_write_to_png(m_pNative->surface, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace platform::gui
