#pragma once

// The Windows vocabulary of the window layer: the real types, messages and
// flags of <windows.h>, brought into platform::gui by name so that the layer's
// code reads the same on both systems and a handle or message number passes
// to the system unchanged. Included through WinUser.h only.
#include <windows.h>
#include <commdlg.h>

// <windows.h> names the character-width variants of many functions through
// macros (DrawText is DrawTextW). The layer's own classes use the plain
// names for their members (DC::DrawText, Font::CreateFont, Window::
// SendMessage), which the macros would rename in some translation units and
// not in others, depending on the include order. They are undefined here,
// in the one header every file of the layer includes; the backends call
// the W functions by their full names.
#undef CreateFont
#undef DefWindowProc
#undef DrawText
#undef GetObject
#undef GetTextMetrics
#undef GetWindowLong
#undef GetWindowText
#undef LoadBitmap
#undef LoadIcon
#undef MessageBox
#undef PostMessage
#undef SendMessage
#undef SetWindowLong
#undef SetWindowText
#undef TextOut

namespace platform::gui {

using ::BOOL;
using ::COLORREF;
using ::DWORD;
using ::HWND;
using ::LPARAM;
using ::LRESULT;
using ::UINT;
using ::UINT_PTR;
using ::WORD;
using ::WPARAM;

using ::BITMAP;
using ::TEXTMETRIC;
using ::TRACKMOUSEEVENT;

// The USER functions that Windows has are the system's own.
using ::GetActiveWindow;
using ::GetCapture;
using ::GetSystemMetrics;
using ::IsWindow;
using ::PostQuitMessage;
using ::ReleaseCapture;
using ::TrackMouseEvent;

// Mouse-message coordinates are signed 16-bit values; <windowsx.h> has these
// as macros, and the rest of that header is not wanted.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(lp & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<int16_t>((lp >> 16) & 0xFFFF); }

}  // namespace platform::gui
