#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/gui/WinUser.h"

namespace platform::gui {

struct NativeBitmap;

// A device-dependent bitmap (HBITMAP with its CBitmap owner): 24-bit colour,
// no alpha. Move-only; the pixels are freed with the object or by
// DeleteObject. A DC draws into a bitmap once it is selected into it.
class Bitmap {
 public:
  Bitmap() = default;
  ~Bitmap();
  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // LoadImage(module, id, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR): the RT_BITMAP
  // resource of the running program. FALSE (and the object left empty) when
  // the resource is missing or is no DIB we can read (uncompressed 1, 4, 8,
  // 24 or 32 bits per pixel, bottom-up or top-down).
  BOOL LoadBitmap(UINT nIDResource);
  // The same from the bytes of a DIB without file header (BITMAPINFOHEADER,
  // colour table, pixels).
  BOOL LoadFromDib(std::span<const uint8_t> dib);
  // A bitmap of cx x cy pixels, all black. FALSE for sizes below 1 or above
  // 16384.
  BOOL CreateBitmap(int cx, int cy);
  // CreateCompatibleBitmap: every DC here draws 24-bit colour, so this is
  // CreateBitmap whatever the DC.
  BOOL CreateCompatibleBitmap(const class DC* pDC, int cx, int cy);
  BOOL DeleteObject();

  bool IsNull() const { return m_pNative == nullptr; }
  // GetObject: fills `pBitmap` and returns sizeof(BITMAP); 0 (and `pBitmap`
  // untouched) when the object holds no bitmap.
  int GetObject(BITMAP* pBitmap) const;
  Size GetSize() const;

  // The colour of one pixel; CLR_INVALID (0xFFFFFFFF) outside the bitmap.
  COLORREF GetPixel(int x, int y) const;
  // Writes the pixels as a PNG file (host path). FALSE when it cannot, and
  // always on Windows, where nothing writes PNG files.
  BOOL SaveAsPng(const std::string& hostPath) const;

  NativeBitmap* Native() const { return m_pNative; }

 private:
  NativeBitmap* m_pNative = nullptr;
};

}  // namespace platform::gui
