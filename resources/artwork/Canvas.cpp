#include "resources/artwork/Canvas.h"

#include <utility>

Canvas::Canvas(int width, int height, bool withAlpha)
    : m_pSurface(cairo_image_surface_create(withAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height)),
      m_pCr(cairo_create(m_pSurface)),
      m_nWidth(width),
      m_nHeight(height) {}

Canvas::~Canvas() { Release(); }

Canvas::Canvas(Canvas&& other) noexcept
    : m_pSurface(std::exchange(other.m_pSurface, nullptr)),
      m_pCr(std::exchange(other.m_pCr, nullptr)),
      m_nWidth(other.m_nWidth),
      m_nHeight(other.m_nHeight) {}

Canvas& Canvas::operator=(Canvas&& other) noexcept {
  if (this != &other) {
    Release();
    m_pSurface = std::exchange(other.m_pSurface, nullptr);
    m_pCr = std::exchange(other.m_pCr, nullptr);
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
  }
  return *this;
}

void Canvas::Release() {
  if (m_pCr) cairo_destroy(m_pCr);
  if (m_pSurface) cairo_surface_destroy(m_pSurface);
  m_pCr = nullptr;
  m_pSurface = nullptr;
}
