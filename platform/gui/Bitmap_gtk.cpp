#include "platform/gui/Bitmap.h"

#include <cstring>
#include <optional>
#include <utility>

#include "platform/gui/NativeObjects.h"
#include "platform/gui/DibImage.h"
#include "platform/gui/GdiNative_gtk.h"

namespace platform::gui {

NativeBitmap* MakeNativeBitmap(int cx, int cy) {
  if (cx < 1 || cy < 1 || cx > kMaxBitmapSide || cy > kMaxBitmapSide) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cx, cy);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  // A new image surface is zero-filled: black, as GDI's new bitmaps.
  return new NativeBitmap{surface, cx, cy};
}

void FreeNativeBitmap(NativeBitmap* p) {
  if (!p) return;
  cairo_surface_destroy(p->surface);
  delete p;
}

// A new RGB24 surface holding the decoded pixels; nullptr when the DIB does
// not decode.
NativeBitmap* MakeNativeBitmapFromDib(std::span<const uint8_t> dib) {
  const std::optional<DibImage> image = DecodeDib(dib);
  if (!image) return nullptr;
  NativeBitmap* native = MakeNativeBitmap(image->width, image->height);
  if (!native) return nullptr;
  cairo_surface_flush(native->surface);
  unsigned char* data = cairo_image_surface_get_data(native->surface);
  const int dstStride = cairo_image_surface_get_stride(native->surface);
  for (int y = 0; y < image->height; ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * dstStride);
    const uint32_t* src = image->pixels.data() + static_cast<size_t>(y) * image->width;
    for (int x = 0; x < image->width; ++x) dst[x] = 0xFF000000u | src[x];
  }
  cairo_surface_mark_dirty(native->surface);
  return native;
}

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
