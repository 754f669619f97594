// wine-desktop-helper.exe: what a Linux test that drives Windows programs
// under Wine cannot see through X, asked from inside the same Wine prefix.
//
//   wine-desktop-helper.exe focus          the foreground window and the
//                                          control that has the keyboard
//                                          focus, one line each:
//                                          window<TAB>class<TAB>title
//                                          focus<TAB>class<TAB>text
//   wine-desktop-helper.exe korean-faces   maps the dialogs' Korean faces
//                                          to NanumGothic (WineFonts.h)
//
// Output is UTF-8 bytes, whatever the console's code page. Exit status 0 on
// success, 1 when there is no foreground window or the mapping failed, 2 on
// a wrong command line.
#include <windows.h>

#include <string>

#include "tests/support/WineFonts.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

void Print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Class and text of a window as one tab-separated pair; tabs and line ends
// in a text would break the line format, so they become spaces.
std::string Describe(HWND window) {
  wchar_t className[256] = L"";
  GetClassNameW(window, className, 256);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  for (wchar_t& c : text)
    if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
  return Utf8(className) + "\t" + Utf8(text);
}

int Focus() {
  const HWND foreground = GetForegroundWindow();
  if (!foreground) return 1;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
  std::string lines = "window\t" + Describe(foreground) + "\n";
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) lines += "focus\t" + Describe(info.hwndFocus) + "\n";
  Print(lines);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc == 2 ? argv[1] : L"";
  if (command == L"focus") return Focus();
  if (command == L"korean-faces") {
    const std::string error = MapKoreanFacesToNanum();
    if (!error.empty()) Print(error + "\n");
    return error.empty() ? 0 : 1;
  }
  Print("usage: wine-desktop-helper.exe focus|korean-faces\n");
  return 2;
}
