#include "platform/gui/Bitmap.h"

#include "platform/resources/ModuleResources.h"

namespace platform::gui {

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
