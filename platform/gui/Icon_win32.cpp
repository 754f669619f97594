#include "platform/gui/Icon.h"

#include <algorithm>
#include <utility>

#include "platform/gui/GdiNative_win32.h"
#include "platform/gui/IconGroup.h"
#include "platform/gui/NativeObjects.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

namespace {

// The sizes of the group's images that the program really holds.
std::vector<Size> GroupSizes(std::span<const uint8_t> dir) {
  std::vector<Size> sizes;
  for (const IconGroupImage& image : ReadIconGroup(dir)) {
    if (FindModuleResource(ResourceName(kRtIcon), ResourceName(image.imageId))) sizes.push_back(image.size);
  }
  std::sort(sizes.begin(), sizes.end(), [](const Size& a, const Size& b) { return a.cx > b.cx; });
  return sizes;
}

}  // namespace

void FreeNativeIcon(NativeIcon* p) {
  if (!p) return;
  ::DestroyIcon(p->handle);
  delete p;
}

BOOL Icon::LoadIcon(UINT nIDResource) {
  if (nIDResource > 0xFFFF) return FALSE;
  auto group = FindModuleResource(ResourceName(kRtGroupIcon), ResourceName(static_cast<uint16_t>(nIDResource)));
  if (!group) return FALSE;
  std::vector<Size> sizes = GroupSizes(*group);
  // LR_DEFAULTSIZE: the system's icon size, the image the window icon and
  // DrawIcon use; the system picks the closest of the group.
  auto* handle = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                 MAKEINTRESOURCEW(nIDResource), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_DEFAULTCOLOR));
  if (!handle || sizes.empty()) {
    if (handle) ::DestroyIcon(handle);
    return FALSE;
  }
  FreeNativeIcon(m_pNative);
  m_pNative = new NativeIcon{handle, std::move(sizes)};
  return TRUE;
}

std::span<const Size> Icon::GetSizes() const {
  return m_pNative ? std::span<const Size>(m_pNative->sizes) : std::span<const Size>();
}

}  // namespace platform::gui
