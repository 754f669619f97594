#include "tests/gui/GuiDisplay.h"

#include <windows.h>

// Wine without an X server creates no window at all (CreateWindowExW
// answers NULL with no error), so a plain window is the probe.
bool EnsureDisplay(std::string* pWhy) {
  HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  if (probe) {
    ::DestroyWindow(probe);
    return true;
  }
  if (pWhy) *pWhy = "no window can be made: under Wine, run the suite with an X server (scripts/with-private-display)";
  return false;
}
