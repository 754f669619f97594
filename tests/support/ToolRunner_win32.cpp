#include "tests/support/ToolRunner.h"

#include <windows.h>

#include <cwchar>
#include <string_view>
#include <thread>

#include "platform/core/Wide_win32.h"
#include "platform/process/Process.h"

namespace {

// Suites live in <build>\tests\<folder>\, the tool in <build>\tools\vamo-tool\.
std::string ToolPath() {
  wchar_t self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  path.erase(path.find_last_of(L'\\') + 1);
  return platform::Narrow(path) + "..\\..\\tools\\vamo-tool\\vamo-tool.exe";
}

// Everything the pipe carries until its writer closes it.
std::string Drain(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

// The variable's name in "NAME=value"; a leading "=" belongs to the name
// (the per-drive folders "=C:=C:\...").
std::wstring_view NameOf(std::wstring_view entry) {
  return entry.substr(0, entry.find(L'=', 1));
}

// This process's environment plus `extra` ("NAME=value", replacing a
// variable of the same name), as the UTF-16 block CreateProcessW takes.
std::wstring EnvironmentBlock(const std::vector<std::string>& extra) {
  std::vector<std::wstring> added;
  for (const std::string& entry : extra) added.push_back(platform::Widen(entry));
  std::wstring block;
  if (LPWCH strings = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
      bool replaced = false;
      for (const std::wstring& extraEntry : added) {
        replaced = replaced || ::_wcsicmp(std::wstring(NameOf(entry)).c_str(),
                                          std::wstring(NameOf(extraEntry)).c_str()) == 0;
      }
      if (replaced) continue;
      block.append(entry);
      block.push_back(L'\0');
    }
    ::FreeEnvironmentStringsW(strings);
  }
  for (const std::wstring& entry : added) {
    block.append(entry);
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

// A pipe whose write end the child inherits.
bool MakePipe(platform::ScopedHandle& read, platform::ScopedHandle& write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE r = nullptr;
  HANDLE w = nullptr;
  if (!::CreatePipe(&r, &w, &inherit, 0)) return false;
  read.Reset(r);
  write.Reset(w);
  return ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0) != 0;
}

}  // namespace

ToolOutput RunTool(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  return RunProgram(ToolPath(), args, extraEnv);
}

ToolOutput RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv) {
  ToolOutput result;
  platform::ScopedHandle outRead, outWrite, errRead, errWrite;
  if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) return result;

  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::wstring commandLine = platform::Widen(platform::BuildArgumentText(words));
  std::wstring environment = EnvironmentBlock(extraEnv);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = outWrite.Get();
  startup.hStdError = errWrite.Get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &info)) {
    return result;
  }
  platform::ScopedHandle process(info.hProcess);
  platform::ScopedHandle thread(info.hThread);
  // Only the child holds the write ends now, so the reads end with it.
  outWrite.Reset();
  errWrite.Reset();
  std::thread errReader([&] { result.err = Drain(errRead.Get()); });
  result.out = Drain(outRead.Get());
  errReader.join();
  ::WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process.Get(), &code)) result.exitStatus = static_cast<int>(code);
  return result;
}
