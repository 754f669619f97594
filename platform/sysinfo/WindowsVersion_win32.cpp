#include "platform/sysinfo/WindowsVersion.h"

#include <windows.h>
#include <lmcons.h>

#include "platform/core/Wide_win32.h"
#include "platform/registry/Registry.h"
#include "platform/security/Security.h"

namespace platform {

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

std::expected<WindowsVersion, Win32Error> QueryWindowsVersion(bool bExtended) {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = bExtended ? sizeof(OSVERSIONINFOEXW) : sizeof(OSVERSIONINFOW);
  // Deprecated in the SDK for programs without a manifest; ours declare the
  // releases they know, so the numbers are true.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
  if (!ok) return std::unexpected(LastError());

  WindowsVersion version;
  version.platformId = info.dwPlatformId;
  version.majorVersion = info.dwMajorVersion;
  version.minorVersion = info.dwMinorVersion;
  version.buildNumber = info.dwBuildNumber;
  version.csdVersion = Narrow(info.szCSDVersion);
  if (bExtended) {
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.productType = info.wProductType;
    version.suiteMask = info.wSuiteMask;
  } else {
    version.servicePackMajor = 0;
    version.servicePackMinor = 0;
    version.productType = 0;
    version.suiteMask = 0;
  }
  RegKey key;
  if (key.Open(RegRoot::kLocalMachine, kCurrentVersion) == kErrorSuccess) {
    version.productName = key.ReadString("ProductName").value_or("");
    version.editionId = key.ReadString("EditionID").value_or("");
  }
  SYSTEM_INFO system{};
  ::GetNativeSystemInfo(&system);
  version.processorArchitecture = system.wProcessorArchitecture;
  version.architecture = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? "x86" : "x64";
  return version;
}

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = static_cast<DWORD>(std::size(name));
  if (!::GetComputerNameW(name, &length)) return {};
  return Narrow(std::wstring_view(name, length));
}

// The one answer to "who is the user": the security service's.
std::string UserName() { return GetEffectiveUserName(); }

uint64_t GetTotalMemoryBytes() {
  auto status = GetMemoryStatus();
  return status ? status->totalPhys : 0;
}

uint64_t GetAvailableMemoryBytes() {
  auto status = GetMemoryStatus();
  return status ? status->availPhys : 0;
}

uint32_t GetProcessorCount() {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  return system.dwNumberOfProcessors > 0 ? system.dwNumberOfProcessors : 1;
}

std::expected<MemoryStatus, Win32Error> GetMemoryStatus() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (!::GlobalMemoryStatusEx(&memory)) return std::unexpected(LastError());
  MemoryStatus status;
  status.memoryLoad = memory.dwMemoryLoad;
  status.totalPhys = memory.ullTotalPhys;
  status.availPhys = memory.ullAvailPhys;
  status.totalPageFile = memory.ullTotalPageFile;
  status.availPageFile = memory.ullAvailPageFile;
  status.totalVirtual = memory.ullTotalVirtual;
  status.availVirtual = memory.ullAvailVirtual;
  return status;
}

}  // namespace platform
