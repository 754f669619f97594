#pragma once

// The vocabulary of the window layer: the Win32 USER and GDI names (HWND,
// COLORREF, WM_PAINT, DT_CENTER, RGB ...) the wizard's windows use. Windows
// has them in <windows.h>, and there the layer uses the real ones: the
// handles are the system's, a message number goes to the system unchanged.
// Linux gets them from our own definitions, with the same values. Geometry
// (Point, Size, Rect) and the structures that carry the layer's own objects
// (DRAWITEMSTRUCT with its DC) are the layer's own on both systems.
#include <cstdint>

#include "platform/gui/MessageTarget.h"

#if defined(_WIN32)
#include "platform/gui/WinUser_win32.h"
#else
#include "platform/gui/WinUser_posix.h"
#endif

namespace platform::gui {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  int cx = 0;
  int cy = 0;
  bool operator==(const Size&) const = default;
};

inline int Width(const Rect& rc) { return rc.right - rc.left; }
inline int Height(const Rect& rc) { return rc.bottom - rc.top; }
inline bool IsRectEmpty(const Rect& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }
inline bool PtInRect(const Rect& rc, Point pt) {
  return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}
// The common part of two rectangles; an empty rectangle (all 0) when none.
Rect IntersectRect(const Rect& a, const Rect& b);
Rect OffsetRect(const Rect& rc, int dx, int dy);

constexpr Point PointFromLParam(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
constexpr LPARAM LParamFromPoint(Point pt) { return MAKELPARAM(pt.x, pt.y); }

class DC;

// What WM_DRAWITEM carries to an owner-drawn control.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  DC* pDC = nullptr;  // the item's device context, valid during the message
  Rect rcItem;
};

}  // namespace platform::gui
