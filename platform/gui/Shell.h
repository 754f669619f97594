#pragma once

#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

// Opens a web address in a browser and returns at once, without waiting for
// it. Windows: ShellExecuteEx "open" of "iexplore.exe" with the address as
// its parameters. Linux, where that means the user's default browser: the
// desktop's handler for the address's scheme (GIO, as xdg-open does). FALSE
// when nothing could be started; callers that report nothing may ignore it.
BOOL OpenUrlInBrowser(std::string_view url);

}  // namespace platform::gui
