#include "tests/support/WineFonts.h"

#include <windows.h>

#include <string>

namespace {

std::wstring RegFileText() {
  std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n";
  for (const wchar_t* face : kKoreanFaces)
    text += std::wstring(L"\"") + face + L"\"=\"" + kKoreanFacesSubstitute + L"\"\r\n";
  return text;
}

// UTF-16LE with its byte-order mark: how regedit tells a Unicode .reg file.
std::string WriteRegFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "cannot write the .reg file: " + std::to_string(GetLastError());
  const std::wstring text = L"\uFEFF" + RegFileText();
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  const BOOL ok = WriteFile(file, text.data(), size, &written, nullptr);
  CloseHandle(file);
  if (!ok || written != size) return "cannot write the .reg file: " + std::to_string(GetLastError());
  return {};
}

std::string RunRegedit(const std::wstring& regFile) {
  wchar_t windows[MAX_PATH];
  if (GetWindowsDirectoryW(windows, MAX_PATH) == 0) return "no Windows folder";
  const std::wstring program = std::wstring(windows) + L"\\regedit.exe";
  std::wstring commandLine = L"\"" + program + L"\" /S \"" + regFile + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return "cannot start regedit: " + std::to_string(GetLastError());
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (exitCode != 0) return "regedit exited with " + std::to_string(exitCode);
  return {};
}

}  // namespace

std::string MapKoreanFacesToNanum() {
  wchar_t temp[MAX_PATH];
  wchar_t path[MAX_PATH];
  if (GetTempPathW(MAX_PATH, temp) == 0 || GetTempFileNameW(temp, L"vft", 0, path) == 0)
    return "no temporary file: " + std::to_string(GetLastError());
  std::string error = WriteRegFile(path);
  if (error.empty()) error = RunRegedit(path);
  DeleteFileW(path);
  return error;
}
