#pragma once

#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

// Opens a web address in the user's default browser and returns at once,
// without waiting for the browser: what ShellExecute of "iexplore.exe" with
// the address as parameter means here. The desktop's handler for the
// address's scheme is started (GIO, as xdg-open does). FALSE when no handler
// could be started; callers that report nothing may ignore it.
BOOL OpenUrlInBrowser(std::string_view url);

}  // namespace platform::gui
