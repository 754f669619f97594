#include "platform/gui/Bitmap.h"

#include <cstring>
#include <optional>
#include <utility>

#include "platform/gui/NativeObjects.h"
#include "platform/gui/DibImage.h"
#include "platform/gui/GdiNative_win32.h"

namespace platform::gui {

NativeBitmap* MakeNativeBitmap(int cx, int cy) {
  if (cx < 1 || cy < 1 || cx > kMaxBitmapSide || cy > kMaxBitmapSide) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = cx;
  info.bmiHeader.biHeight = -cy;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP handle = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!handle || !bits) return nullptr;
  // A new DIB section is zero-filled: black.
  return new NativeBitmap{handle, static_cast<uint32_t*>(bits), cx, cy};
}

void FreeNativeBitmap(NativeBitmap* p) {
  if (!p) return;
  ::DeleteObject(p->handle);
  delete p;
}

NativeBitmap* MakeNativeBitmapFromDib(std::span<const uint8_t> dib) {
  const std::optional<DibImage> image = DecodeDib(dib);
  if (!image) return nullptr;
  NativeBitmap* native = MakeNativeBitmap(image->width, image->height);
  if (!native) return nullptr;
  std::memcpy(native->bits, image->pixels.data(), image->pixels.size() * sizeof(uint32_t));
  return native;
}

int Bitmap::GetObject(BITMAP* pBitmap) const {
  if (!m_pNative || !pBitmap) return 0;
  return ::GetObjectW(m_pNative->handle, sizeof(BITMAP), pBitmap);
}

Size Bitmap::GetSize() const { return m_pNative ? Size{m_pNative->width, m_pNative->height} : Size{}; }

COLORREF Bitmap::GetPixel(int x, int y) const {
  if (!m_pNative || x < 0 || y < 0 || x >= m_pNative->width || y >= m_pNative->height) return CLR_INVALID;
  // GDI may still hold drawing for the section in its batch.
  ::GdiFlush();
  const uint32_t px = m_pNative->bits[static_cast<size_t>(y) * m_pNative->width + x];
  return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

// PNG files are written by the Linux tools only (screenshots); the Windows
// program has no encoder for them.
BOOL Bitmap::SaveAsPng(const std::string&) const { return FALSE; }

}  // namespace platform::gui
