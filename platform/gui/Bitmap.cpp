#include "platform/gui/Bitmap.h"

#include <utility>

#include "platform/gui/NativeObjects.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

Bitmap::~Bitmap() { FreeNativeBitmap(m_pNative); }

Bitmap::Bitmap(Bitmap&& other) noexcept : m_pNative(std::exchange(other.m_pNative, nullptr)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    FreeNativeBitmap(m_pNative);
    m_pNative = std::exchange(other.m_pNative, nullptr);
  }
  return *this;
}

BOOL Bitmap::LoadFromDib(std::span<const uint8_t> dib) {
  NativeBitmap* native = MakeNativeBitmapFromDib(dib);
  if (!native) return FALSE;
  FreeNativeBitmap(m_pNative);
  m_pNative = native;
  return TRUE;
}

BOOL Bitmap::CreateBitmap(int cx, int cy) {
  NativeBitmap* native = MakeNativeBitmap(cx, cy);
  if (!native) return FALSE;
  FreeNativeBitmap(m_pNative);
  m_pNative = native;
  return TRUE;
}

BOOL Bitmap::CreateCompatibleBitmap(const DC*, int cx, int cy) { return CreateBitmap(cx, cy); }

BOOL Bitmap::DeleteObject() {
  if (!m_pNative) return FALSE;
  FreeNativeBitmap(std::exchange(m_pNative, nullptr));
  return TRUE;
}

// Both systems read the program's RT_BITMAP resource themselves and decode it
// with DecodeDib, so that a resource is accepted or refused by the same rules
// everywhere and the pixels stay readable (GetPixel) on both.
BOOL Bitmap::LoadBitmap(UINT nIDResource) {
  if (nIDResource > 0xFFFF) return FALSE;
  auto data = FindModuleResource(ResourceName(kRtBitmap), ResourceName(static_cast<uint16_t>(nIDResource)));
  if (!data) return FALSE;
  return LoadFromDib(*data);
}

}  // namespace platform::gui
