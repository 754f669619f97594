#include "platform/console/Console.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/core/Wide_win32.h"

namespace platform::console {

namespace {

HANDLE HandleOf(StdStream stream) {
  return ::GetStdHandle(stream == StdStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second interrupt goes to the default handler: the program ends.
  return g_interrupted.exchange(true) ? FALSE : TRUE;
}

}  // namespace

bool IsTerminal(StdStream stream) {
  HANDLE handle = HandleOf(stream);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return false;
  // The progress view moves the cursor with VT sequences; a console that
  // cannot take them (before Windows 10) gets plain lines instead.
  if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
  return ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

int TerminalColumns(StdStream stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(HandleOf(stream), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void WriteText(StdStream stream, std::string_view text) {
  HANDLE handle = HandleOf(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  if (IsConsole(handle)) {
    std::wstring wide = Widen(text);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD written = 0;
      DWORD count = static_cast<DWORD>(std::min<size_t>(rest.size(), 16384));
      if (!::WriteConsoleW(handle, rest.data(), count, &written, nullptr) || written == 0) return;
      rest.remove_prefix(written);
    }
    return;
  }
  while (!text.empty()) {
    DWORD written = 0;
    DWORD count = static_cast<DWORD>(std::min<size_t>(text.size(), 1u << 30));
    if (!::WriteFile(handle, text.data(), count, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

void WatchInterrupt() { ::SetConsoleCtrlHandler(OnControl, TRUE); }

bool InterruptRequested() { return g_interrupted.load(); }

}  // namespace platform::console
