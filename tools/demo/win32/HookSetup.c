/* The setup hook of the demo release's cabinet: runs from the cabinet's
   extraction folder, which is gone once the cabinet is installed, so it
   leaves its trace in the registry: HKEY_CURRENT_USER\Software\Vamo\Hook,
   "Folder" = the folder it ran from, "Arguments" = its argument text. */
#include <windows.h>

static LSTATUS SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
  return RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  wchar_t folder[MAX_PATH];
  DWORD length = GetModuleFileNameW(NULL, folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  for (wchar_t* at = folder + length; at > folder; --at) {
    if (at[-1] == L'\\') {
      at[-1] = L'\0';
      break;
    }
  }
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Vamo\\Hook", 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
      ERROR_SUCCESS) {
    return 1;
  }
  LSTATUS status = SetText(key, L"Folder", folder);
  if (status == ERROR_SUCCESS) status = SetText(key, L"Arguments", arguments != NULL ? arguments : L"");
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 1;
}
