// window-probe.exe: the smallest Windows program that shows what a test
// under Wine must drive: a borderless window at a known place, a click seen
// as WM_LBUTTONDOWN at a client point, the system's save dialog writing a
// UTF-16 file, and an exit status.
//
//   window-probe.exe TITLE
//
// A click in the client area renames the window "TITLE clicked X,Y". The
// button "Save" (20,150 to 120,180) opens GetSaveFileNameW (*.rpt, the
// extension added); the chosen file gets FF FE and "probe report" CR LF as
// UTF-16LE, and the window is renamed "TITLE saved". The button "Close"
// (200,150 to 300,180) ends the program with exit status 7.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr int kSaveId = 101;
constexpr int kCloseId = 102;
constexpr int kClosedStatus = 7;
std::wstring g_title;

bool SaveReport(HWND owner) {
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"Report (*.rpt)\0*.rpt\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"rpt";
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameW(&ofn)) return false;
  HANDLE out = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  const std::wstring text = L"\uFEFFprobe report\r\n";
  DWORD written = 0;
  const BOOL ok = WriteFile(out, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(out);
  return ok != FALSE;
}

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      SetWindowTextW(window, (g_title + L" clicked " + std::to_wstring(x) + L"," + std::to_wstring(y)).c_str());
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kSaveId && SaveReport(window)) SetWindowTextW(window, (g_title + L" saved").c_str());
      if (LOWORD(wParam) == kCloseId) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(kClosedStatus);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  g_title = argc > 1 ? argv[1] : L"window probe";
  LocalFree(argv);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"VamoWindowProbe";
  if (!RegisterClassW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, g_title.c_str(), WS_POPUP | WS_VISIBLE, 100, 100, 320,
                                200, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  CreateWindowExW(0, L"BUTTON", L"Save", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 150, 100, 30, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSaveId)), instance, nullptr);
  CreateWindowExW(0, L"BUTTON", L"Close", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 150, 100, 30, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCloseId)), instance, nullptr);
  SetForegroundWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
