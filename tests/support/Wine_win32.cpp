#include "tests/support/Wine.h"

#include <windows.h>

// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
