#include "platform/gui/Icon.h"

#include <algorithm>
#include <utility>

#include "platform/gui/GdiNative_win32.h"
#include "platform/resources/ModuleResources.h"

namespace platform::gui {

namespace {

// GRPICONDIR: reserved, type, count; then one 14-byte GRPICONDIRENTRY per
// image: width and height (0 for 256), ..., the RT_ICON id at offset 12.
constexpr size_t kGroupHeader = 6;
constexpr size_t kGroupEntry = 14;

uint16_t ReadU16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// The sizes of the group's images that the program really holds.
std::vector<Size> GroupSizes(std::span<const uint8_t> dir) {
  std::vector<Size> sizes;
  if (dir.size() < kGroupHeader) return sizes;
  const uint16_t count = ReadU16(dir, 4);
  for (size_t i = 0; i < count && kGroupHeader + (i + 1) * kGroupEntry <= dir.size(); ++i) {
    const size_t at = kGroupHeader + i * kGroupEntry;
    if (!FindModuleResource(ResourceName(kRtIcon), ResourceName(ReadU16(dir, at + 12)))) continue;
    sizes.push_back({dir[at] == 0 ? 256 : dir[at], dir[at + 1] == 0 ? 256 : dir[at + 1]});
  }
  std::sort(sizes.begin(), sizes.end(), [](const Size& a, const Size& b) { return a.cx > b.cx; });
  return sizes;
}

void FreeNative(NativeIcon* p) {
  if (!p) return;
  ::DestroyIcon(p->handle);
  delete p;
}

}  // namespace

Icon::~Icon() { FreeNative(m_pNative); }

Icon::Icon(Icon&& other) noexcept : m_pNative(std::exchange(other.m_pNative, nullptr)) {}

Icon& Icon::operator=(Icon&& other) noexcept {
  if (this != &other) {
    FreeNative(m_pNative);
    m_pNative = std::exchange(other.m_pNative, nullptr);
  }
  return *this;
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
  FreeNative(m_pNative);
  m_pNative = new NativeIcon{handle, std::move(sizes)};
  return TRUE;
}

std::span<const Size> Icon::GetSizes() const {
  return m_pNative ? std::span<const Size>(m_pNative->sizes) : std::span<const Size>();
}

}  // namespace platform::gui
