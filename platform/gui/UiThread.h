#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/gui/WinUser.h"

namespace platform::gui {

class Bitmap;
class DC;

// Sets up the window layer on the calling thread, which becomes the UI
// thread: loads the program's font rules and connects to the display
// (DISPLAY). Returns false when there is no display; windows then still
// exist, receive messages and timers and paint through PrintWindow, but are
// never shown. Safe to call again (it returns the first answer).
bool Initialize();
bool HasDisplay();
bool IsUiThread();

// Runs posted messages, timers and window-system events until `done`
// returns true. The modal loop of dialogs and message boxes.
void RunModalLoop(const std::function<bool()>& done);
// The same with a time limit: false when the time ran out first.
bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Runs what is pending now, without waiting (for at most a short while).
void PumpMessages();
// A message loop for a program whose main window is not modal: runs until
// PostQuitMessage and returns its exit code.
int RunMessageLoop();
// PostQuitMessage(nExitCode) ends it; it is part of WinUser.h.

// Paints a window and its visible children (WM_ERASEBKGND, WM_PAINT, owner
// drawing) into the DC at its (0, 0), the way the screen would show the
// client area. FALSE for a window that does not exist or a DC without target.
BOOL PrintWindow(HWND hWnd, DC* pDC);

// What the window system shows of a window (a child: its part of the
// top-level window) right now, read back from the display into a new
// bitmap. FALSE without a display or for a window that is not on screen.
BOOL CaptureWindow(HWND hWnd, Bitmap* pBitmap);

// The window system's id of a top-level window (its X11 window), 0 for
// windows without one (no display, children).
uint64_t GetNativeWindowId(HWND hWnd);

}  // namespace platform::gui
