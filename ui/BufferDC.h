#pragma once

#include "platform/gui/Bitmap.h"
#include "platform/gui/DC.h"

// An off-screen drawing context over a paint DC: everything drawn through
// it goes into a bitmap of the covered rectangle, which is copied to the
// same place of the paint DC in one piece when the object goes, so a whole
// window can be repainted every 50 ms without flicker. Drawing uses the
// paint DC's coordinates. The rectangle starts out in the paint DC's
// background colour.
class CBufferDC : public platform::gui::DC {
 public:
  // pRect null: the paint DC's clip box (the area being repainted).
  explicit CBufferDC(platform::gui::DC* pDC, const platform::gui::Rect* pRect = nullptr);
  // Copies the picture to the paint DC and releases the bitmap.
  ~CBufferDC() override;
  CBufferDC(const CBufferDC&) = delete;
  CBufferDC& operator=(const CBufferDC&) = delete;

  CBufferDC* operator->() { return this; }
  operator CBufferDC*() { return this; }

 private:
  platform::gui::Bitmap m_bitmap;
  platform::gui::Bitmap* m_pOldBitmap = nullptr;
  platform::gui::DC* m_pDC;
  platform::gui::Rect m_rect;
  // Printer DCs are drawn on directly; there are none here, but the
  // distinction keeps the shape of the class.
  bool m_bMemDC;
};
