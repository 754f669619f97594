#include "platform/gui/Icon.h"

#include <utility>

#include "platform/gui/IconGroup.h"
#include "platform/gui/NativeObjects.h"

namespace platform::gui {

namespace {

// GRPICONDIR: reserved, type, count; then one 14-byte GRPICONDIRENTRY per
// image: width and height, ..., the RT_ICON id at offset 12.
constexpr size_t kGroupHeader = 6;
constexpr size_t kGroupEntry = 14;

uint16_t ReadU16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

}  // namespace

std::vector<IconGroupImage> ReadIconGroup(std::span<const uint8_t> dir) {
  std::vector<IconGroupImage> images;
  if (dir.size() < kGroupHeader) return images;
  const uint16_t count = ReadU16(dir, 4);
  for (size_t i = 0; i < count && kGroupHeader + (i + 1) * kGroupEntry <= dir.size(); ++i) {
    const size_t at = kGroupHeader + i * kGroupEntry;
    images.push_back({{dir[at] == 0 ? 256 : dir[at], dir[at + 1] == 0 ? 256 : dir[at + 1]}, ReadU16(dir, at + 12)});
  }
  return images;
}

Icon::~Icon() { FreeNativeIcon(m_pNative); }

Icon::Icon(Icon&& other) noexcept : m_pNative(std::exchange(other.m_pNative, nullptr)) {}

Icon& Icon::operator=(Icon&& other) noexcept {
  if (this != &other) {
    FreeNativeIcon(m_pNative);
    m_pNative = std::exchange(other.m_pNative, nullptr);
  }
  return *this;
}

}  // namespace platform::gui
