/* The demo release's plug-in for browsers other than Internet Explorer: a
   library the wizard only copies; nobody registers it. */
#include <windows.h>

__declspec(dllexport) short WINAPI NP_GetEntryPoints(void* functions) {
  (void)functions;
  return 0;
}
