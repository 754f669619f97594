#pragma once

// What the Windows backend keeps per window handle beside the system's own
// record: the C++ objects attached to it and the procedure they subclassed.
// Only the window layer's own Windows files include this.
#include <memory>
#include <set>
#include <vector>

#include "platform/gui/WinUser.h"

namespace platform::gui {

class DC;
class Window;

struct WindowRecord {
  Window* object = nullptr;
  std::vector<Window*> previousObjects;  // SubclassWindow stack
  std::unique_ptr<Window> ownedObject;   // the object the layer made (template controls)
  // The class procedure our procedure replaced; nullptr for the layer's own
  // class, whose default processing is DefWindowProcW.
  WNDPROC previousProc = nullptr;
  bool ncDestroying = false;
  // The ids of the timers running: a WM_TIMER generated before KillTimer
  // is dropped, so a killed timer never fires.
  std::set<UINT_PTR> timers;
  // Dialogs: the modal loop's end.
  bool dialogEnded = false;
  int dialogResult = 0;
};

// The record of a window with an object attached; nullptr otherwise. UI
// thread only.
WindowRecord* RecordOf(HWND hWnd);
// Attaches an object to a window that has none yet and routes the window's
// messages through the layer's procedure (subclassing a system class).
WindowRecord* AttachWindow(HWND hWnd, Window* object);
// The layer's window procedure and class.
LRESULT CALLBACK LayerWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr wchar_t kLayerClassName[] = L"VamoWindow";
bool RegisterLayerClass();

// Paints a window tree into a DC (PrintWindow): while it runs, a PaintDC of
// a window of the tree draws into that DC.
HDC PrintTargetFor(HWND hWnd);

// Dialog template controls get Button (or plain Window) objects owned by the
// layer, as on Linux, so that GetDlgItem hands out the same kind of object.
void AttachTemplateControls(HWND hDialog);

// Whether a top-level window is a dialog, whose keyboard interface
// (IsDialogMessageW) the message loops run.
bool IsDialogWindow(HWND hWnd);

// A message taken from the queue, through the dialog keyboard interface of
// its top-level dialog, if any.
void DispatchQueuedMessage(MSG& msg);

// Frees what the layer made for destroyed windows once no message is being
// handled.
void CollectOwnedObjects();

}  // namespace platform::gui
