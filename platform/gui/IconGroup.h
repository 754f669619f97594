#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gui/WinUser.h"

// The parts of an icon both window backends share: the layout of the
// program's icon groups, and the release of what a backend made of one.
namespace platform::gui {

struct NativeIcon;

// One image an icon group (RT_GROUP_ICON) lists: its size (a 0 in the
// directory means 256) and the id of the RT_ICON resource holding it.
struct IconGroupImage {
  Size size;
  uint16_t imageId = 0;
};

// The images of a GRPICONDIR in directory order; an entry the resource cuts
// short ends the list, a resource shorter than the header lists none.
std::vector<IconGroupImage> ReadIconGroup(std::span<const uint8_t> dir);

// Made by the backend's Icon::LoadIcon; null is nothing.
void FreeNativeIcon(NativeIcon* p);

}  // namespace platform::gui
