#include "platform/debug/DebugOutput.h"

#include <windows.h>

#include <iterator>
#include <string>

#include "platform/console/Console.h"
#include "platform/core/Wide_win32.h"

namespace platform {

namespace {

// The trace file VAMO_DEBUG_LOG names, if any.
std::wstring TraceFile() {
  wchar_t buffer[MAX_PATH * 2];
  DWORD length = ::GetEnvironmentVariableW(L"VAMO_DEBUG_LOG", buffer, static_cast<DWORD>(std::size(buffer)));
  if (length == 0 || length >= std::size(buffer)) return {};
  return std::wstring(buffer, length);
}

void AppendToFile(const std::wstring& path, std::string_view text) {
  // Append data only: each WriteFile lands whole at the end, also when
  // several processes share the file, which every writer leaves open to the
  // others.
  ScopedHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return;
  DWORD written = 0;
  ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WriteDebugString(std::string_view text) {
  // A progress line open on the console is ended first, so the trace line
  // starts a line of its own.
  console::CloseOpenLine();
  ::OutputDebugStringW(Widen(text).c_str());
  console::WriteText(console::StdStream::kError, text);
  std::wstring path = TraceFile();
  if (!path.empty()) AppendToFile(path, text);
}

}  // namespace platform
