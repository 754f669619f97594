#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gui/WinUser.h"

// The layout of the program's icon groups, read the same way by both
// window backends.
namespace platform::gui {

// One image an icon group (RT_GROUP_ICON) lists: its size (a 0 in the
// directory means 256) and the id of the RT_ICON resource holding it.
struct IconGroupImage {
  Size size;
  uint16_t imageId = 0;
};

// The images of a GRPICONDIR in directory order; an entry the resource cuts
// short ends the list, a resource shorter than the header lists none.
std::vector<IconGroupImage> ReadIconGroup(std::span<const uint8_t> dir);

}  // namespace platform::gui
