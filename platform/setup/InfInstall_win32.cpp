#include "platform/setup/InfInstall.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

// mingw-w64's advpack.h leaves these out.
extern "C" HRESULT WINAPI RunSetupCommandW(HWND window, LPCWSTR command, LPCWSTR section, LPCWSTR folder,
                                           LPCWSTR title, HANDLE* process, DWORD flags, LPVOID reserved);

namespace platform::setup {

namespace {

// The command is an INF to install, not a program to start.
constexpr DWORD kRscFlagInf = 0x1;

}  // namespace

InfInstallResult RunDefaultInstall(std::string_view infPath, std::string_view workingFolder) {
  // advpack wants the INF's full path (Wine opens a bare name in the system
  // folder, not in the working folder); without a section it runs the
  // INF's [DefaultInstall].
  const std::wstring inf = Widen(infPath);
  const std::wstring folder = Widen(workingFolder);
  HANDLE process = nullptr;
  const HRESULT hr =
      RunSetupCommandW(nullptr, inf.c_str(), nullptr, folder.c_str(), nullptr, &process, kRscFlagInf, nullptr);
  // An INF starts no process, but a handle handed back is ours to close.
  if (process != nullptr && process != INVALID_HANDLE_VALUE) ::CloseHandle(process);
  InfInstallResult result;
  result.hresult = static_cast<uint32_t>(hr);
  return result;
}

}  // namespace platform::setup
