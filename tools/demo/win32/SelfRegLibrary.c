/* The demo release's self-registering library. DllRegisterServer records the
   library under HKEY_CURRENT_USER\Software\Vamo\Registered: a value named
   after the library's file, holding its full path; DllUnregisterServer
   deletes that value. So a look at the registry shows which copy registered,
   whether the wizard, regsvr32 or an INF's RegisterDlls called it. */
#include <windows.h>

static const wchar_t kKey[] = L"Software\\Vamo\\Registered";
static HMODULE g_self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

/* The module's full path and, through `name`, its file name within it. */
static DWORD SelfPath(wchar_t* path, DWORD size, const wchar_t** name) {
  DWORD length = GetModuleFileNameW(g_self, path, size);
  if (length == 0 || length >= size) return length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
  *name = path;
  for (const wchar_t* at = path; *at; ++at) {
    if (*at == L'\\' || *at == L'/') *name = at + 1;
  }
  return ERROR_SUCCESS;
}

__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void) {
  wchar_t path[MAX_PATH];
  const wchar_t* name;
  DWORD status = SelfPath(path, MAX_PATH, &name);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  HKEY key;
  status = (DWORD)RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = (DWORD)RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)path,
                                 (DWORD)((lstrlenW(path) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return HRESULT_FROM_WIN32(status);
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void) {
  wchar_t path[MAX_PATH];
  const wchar_t* name;
  DWORD status = SelfPath(path, MAX_PATH, &name);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  HKEY key;
  status = (DWORD)RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key);
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  status = (DWORD)RegDeleteValueW(key, name);
  RegCloseKey(key);
  return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}
