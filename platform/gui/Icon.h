#pragma once

#include <cstdint>
#include <span>

#include "platform/gui/WinUser.h"

namespace platform::gui {

struct NativeIcon;

// An icon (HICON) with every image of its icon group: used as the window
// icon (the window system picks the size it wants) and drawn by DC::DrawIcon.
// Move-only.
class Icon {
 public:
  Icon() = default;
  ~Icon();
  Icon(Icon&& other) noexcept;
  Icon& operator=(Icon&& other) noexcept;
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;

  // LoadIcon(module, id): the RT_GROUP_ICON resource and its RT_ICON images
  // (32-bit with alpha, 24-bit with AND mask, or PNG). FALSE when the group
  // is missing or none of its images can be read; the object stays empty.
  BOOL LoadIcon(UINT nIDResource);
  bool IsNull() const { return m_pNative == nullptr; }
  // Sizes of the images, largest first.
  std::span<const Size> GetSizes() const;

  NativeIcon* Native() const { return m_pNative; }

 private:
  NativeIcon* m_pNative = nullptr;
};

}  // namespace platform::gui
