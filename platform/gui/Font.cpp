#include "platform/gui/Font.h"

#include <utility>

#include "platform/gui/NativeObjects.h"

namespace platform::gui {

Font::~Font() { FreeNativeFont(m_pNative); }

Font::Font(Font&& other) noexcept : m_pNative(std::exchange(other.m_pNative, nullptr)) {}

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    FreeNativeFont(m_pNative);
    m_pNative = std::exchange(other.m_pNative, nullptr);
  }
  return *this;
}

BOOL Font::DeleteObject() {
  if (!m_pNative) return FALSE;
  FreeNativeFont(std::exchange(m_pNative, nullptr));
  return TRUE;
}

}  // namespace platform::gui
