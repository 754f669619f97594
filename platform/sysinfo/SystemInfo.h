#pragma once

#include <cstdint>
#include <string>

// Facts about the simulated Windows (from the prefix registry) and about the
// host it runs on (computer name, user, memory, processors).
namespace platform {

struct WindowsVersion {
  uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
  uint32_t majorVersion = 6;
  uint32_t minorVersion = 1;
  uint32_t buildNumber = 7601;
  std::string csdVersion;  // "Service Pack 1", or empty
  uint32_t servicePackMajor = 0;
  uint32_t servicePackMinor = 0;
  uint32_t productType = 1;   // VER_NT_WORKSTATION
  std::string productName;    // "Windows 7 Professional"
  std::string editionId;      // "Professional"
  std::string architecture;   // "x64" or "x86"
};

// GetVersionExW as the prefix registry describes the system.
WindowsVersion GetWindowsVersion();
// The system's default UI language (0x0412 = Korean).
uint16_t GetSystemLanguage();
// "64" or "32".
std::string GetSystemBits();

std::string GetComputerName();  // host name, upper case as NetBIOS shows it
std::string GetUserName();      // login name of the current user
uint64_t GetTotalMemoryBytes();
uint64_t GetAvailableMemoryBytes();
uint32_t GetProcessorCount();

}  // namespace platform
