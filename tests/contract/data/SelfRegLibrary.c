/* A self-registering library for the library service's contract. The test
   names a key below HKEY_CURRENT_USER through VamoSelfRegUseKey; on Windows
   DllRegisterServer writes "Registered"=dword:1 there and DllUnregisterServer
   removes it, as a COM server registers its classes. A Linux shared object
   has no registry of its own to write (the registry lives in the platform
   library, which it does not link), so there the entry points only count. */
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
typedef int HRESULT;
#define S_OK 0
#endif

static char g_key[512];
static int g_registrations;

EXPORT void VamoSelfRegUseKey(const char* key) {
  strncpy(g_key, key, sizeof g_key - 1);
  g_key[sizeof g_key - 1] = '\0';
}

/* How many times DllRegisterServer has run, less DllUnregisterServer's. */
EXPORT int VamoSelfRegCount(void) { return g_registrations; }

#ifdef _WIN32
EXPORT int VamoSelfRegWritesRegistry(void) { return 1; }

static LSTATUS OpenKey(HKEY* key) {
  wchar_t wide[512];
  if (MultiByteToWideChar(CP_UTF8, 0, g_key, -1, wide, 512) == 0) return (LSTATUS)GetLastError();
  return RegCreateKeyExW(HKEY_CURRENT_USER, wide, 0, NULL, 0, KEY_SET_VALUE, NULL, key, NULL);
}

EXPORT HRESULT DllRegisterServer(void) {
  HKEY key;
  LSTATUS status = OpenKey(&key);
  if (status == ERROR_SUCCESS) {
    DWORD one = 1;
    status = RegSetValueExW(key, L"Registered", 0, REG_DWORD, (const BYTE*)&one, sizeof one);
    RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  ++g_registrations;
  return S_OK;
}

EXPORT HRESULT DllUnregisterServer(void) {
  HKEY key;
  LSTATUS status = OpenKey(&key);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteValueW(key, L"Registered");
    RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  --g_registrations;
  return S_OK;
}
#else
EXPORT int VamoSelfRegWritesRegistry(void) { return 0; }
EXPORT HRESULT DllRegisterServer(void) {
  ++g_registrations;
  return S_OK;
}
EXPORT HRESULT DllUnregisterServer(void) {
  --g_registrations;
  return S_OK;
}
#endif
