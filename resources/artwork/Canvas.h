#pragma once

#include <cairo.h>

// An image surface with its drawing context: what every picture of the
// artwork is painted into. Move-only; owns both.
class Canvas {
 public:
  // An opaque canvas (CAIRO_FORMAT_RGB24) for the 24-bit bitmaps, or one
  // with alpha (CAIRO_FORMAT_ARGB32) for the icon's images. Starts fully
  // transparent, which reads as black in an opaque canvas: painters cover
  // every pixel.
  Canvas(int width, int height, bool withAlpha = false);
  ~Canvas();
  Canvas(Canvas&& other) noexcept;
  Canvas& operator=(Canvas&& other) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* Cr() const { return m_pCr; }
  cairo_surface_t* Surface() const { return m_pSurface; }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }

 private:
  void Release();

  cairo_surface_t* m_pSurface = nullptr;
  cairo_t* m_pCr = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
};
