#pragma once

// The window manager's record of one window (what a HWND points to) and the
// functions the window layer's own files share. Not for use above platform/.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/CurrentMessage.h"
#include "platform/gui/WinUser.h"

namespace platform::gui {

class Window;
class Icon;
struct NativeSurfaceRef;
struct NativeWindow;

enum class WindowKind { kGeneric, kButton, kDialog };

struct TimerEntry {
  UINT_PTR id = 0;
  unsigned source = 0;
  uint64_t generation = 0;
};

struct WindowData {
  uint64_t serial = 0;
  WindowKind kind = WindowKind::kGeneric;
  std::string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  UINT id = 0;
  std::string text;
  // Child: the window's rectangle in its parent's client coordinates.
  // Top-level: in screen coordinates. No borders: client = window.
  Rect rect;
  WindowData* parent = nullptr;  // children only
  WindowData* owner = nullptr;   // top-level windows of modal dialogs
  std::vector<WindowData*> children;  // z-order, topmost first

  Window* object = nullptr;
  std::vector<Window*> previousObjects;  // SubclassWindow stack
  std::unique_ptr<Window> ownedObject;   // the object the layer made (template controls)

  NativeWindow* native = nullptr;  // top-level windows with a display
  bool iconic = false;
  bool destroyed = false;

  // Paint in progress (set around WM_PAINT).
  NativeSurfaceRef* paintTarget = nullptr;
  Rect paintClip;
  bool erasePending = false;

  // Button class state.
  bool buttonPushed = false;
  bool buttonTracking = false;

  // Dialog class state.
  bool dialogEnded = false;
  int dialogResult = 0;
  int defaultId = 1;
  Size dialogBaseUnits{6, 12};

  // Mouse tracking.
  bool trackLeave = false;
  bool trackHover = false;
  unsigned hoverSource = 0;

  std::vector<TimerEntry> timers;
  const Icon* bigIcon = nullptr;
  const Icon* smallIcon = nullptr;
};

// ---------------------------------------------------------------- manager (WindowManager_gtk.cpp)
WindowData* LookUp(HWND hWnd);  // nullptr for handles that are not (or no longer) windows
HWND CreateWindowData(WindowKind kind, std::string_view className, std::string_view text, DWORD style,
                      DWORD exStyle, const Rect& rect, HWND parent, UINT id, Window* object);
void DestroyWindowData(HWND hWnd);
// Frees the records of destroyed windows once no message is being handled.
void CollectDestroyedWindows();
WindowData* TopLevelOf(WindowData* w);
// The window's client origin in its top-level window's coordinates.
Point OriginInTopLevel(const WindowData* w);
void InvalidateWindowArea(WindowData* w, const Rect* pClientRect);
// The same from another thread, through the UI thread's ordered queue.
void PostInvalidate(HWND hWnd, const Rect* pRect);
void SetWindowVisible(WindowData* w, bool visible);
// DestroyWindow's first step, as on Windows: a shown top-level window leaves
// the screen (at once, not at the next turn of the loop) before WM_DESTROY,
// so a handler that waits there leaves no frozen window behind.
void TakeOffScreen(WindowData* w);
void ApplyTopLevelGeometry(WindowData* w, bool moved, bool resized);
void ApplyTitle(WindowData* w);
void ApplyIcons(WindowData* w);
void ApplyModal(WindowData* dialog, WindowData* owner, bool modal);
void MinimiseTopLevel(WindowData* w, bool minimise);
void BeginMoveDrag(WindowData* w);
bool IsPointerOver(const WindowData* w);
Size ScreenSize();
// Sets the paint target of a window tree and sends it WM_PAINT (children
// after their parent, bottom of the z-order first).
void PaintTree(WindowData* w, NativeSurfaceRef* target, const Rect& clip);

LRESULT DispatchMessageTo(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam);

// Class procedures (DefWindowProc per kind).
LRESULT GenericWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ButtonWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DialogWindowProc(WindowData* w, UINT message, WPARAM wParam, LPARAM lParam);

// Internal message that carries a cross-thread invalidation through the
// posted-message queue.
inline constexpr UINT kInternalInvalidate = 0x7FFF0001;

}  // namespace platform::gui
