/* A self-registering library for the install fixtures: each entry point
   appends "register <MARKER>" or "unregister <MARKER>" to the file named by
   VAMO_SELFREG_LOG, so a test sees every registration and which library
   made it. Built with -DMARKER='"name"'. */
#include <stdio.h>
#include <stdlib.h>

static int Log(const char* what) {
  const char* log = getenv("VAMO_SELFREG_LOG");
  if (log == NULL) return 0;
  FILE* f = fopen(log, "a");
  if (f == NULL) return 0;
  fprintf(f, "%s %s\n", what, MARKER);
  fclose(f);
  return 0;
}
int DllRegisterServer(void) { return Log("register"); }
int DllUnregisterServer(void) { return Log("unregister"); }
