#pragma once

#include <string_view>

#include "platform/gui/WinUser.h"

namespace platform::gui {

// MessageBoxW: a modal message box of the toolkit, owned by hWndOwner (which
// is disabled meanwhile; nullptr for none). MB_OK, MB_OKCANCEL, MB_YESNO and
// the MB_ICON* kinds. Returns IDOK, IDCANCEL, IDYES or IDNO; closing the box
// counts as IDCANCEL (IDNO for MB_YESNO, IDOK for MB_OK). 0 without a
// display.
int MessageBox(HWND hWndOwner, std::string_view text, std::string_view caption, UINT uType);

}  // namespace platform::gui
