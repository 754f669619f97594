/* The demo release's program that the wizard runs after installing it:
   appends "VamoAgent ran" and its arguments as one line to VamoAgent.log
   beside itself, so the folder shows that it ran and with what. */
#include <windows.h>

static BOOL WriteUtf8(HANDLE file, const wchar_t* text) {
  char bytes[4096];
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
  DWORD written;
  return length > 0 && WriteFile(file, bytes, (DWORD)(length - 1), &written, NULL);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show) {
  (void)instance;
  (void)previous;
  (void)show;
  wchar_t log[MAX_PATH];
  DWORD length = GetModuleFileNameW(NULL, log, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  wchar_t* name = log;
  for (wchar_t* at = log; *at; ++at) {
    if (*at == L'\\') name = at + 1;
  }
  static const wchar_t kLogName[] = L"VamoAgent.log";
  if ((size_t)(name - log) + sizeof kLogName / sizeof kLogName[0] > MAX_PATH) return 1;
  lstrcpyW(name, kLogName);

  /* Append data only: every line lands whole at the end, whoever else
     writes to the log. */
  HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  BOOL ok = WriteUtf8(file, L"VamoAgent ran");
  if (ok && arguments != NULL && *arguments != L'\0') ok = WriteUtf8(file, L" ") && WriteUtf8(file, arguments);
  ok = ok && WriteUtf8(file, L"\r\n");
  CloseHandle(file);
  return ok ? 0 : 1;
}
