#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

// Facts about the running Windows (version, edition, languages) and the
// machine (computer name, user, memory, processors).
namespace platform {

// dwPlatformId values.
inline constexpr uint32_t kPlatformWin32s = 0;
inline constexpr uint32_t kPlatformWindows9x = 1;
inline constexpr uint32_t kPlatformWin32Nt = 2;

// wProductType values.
inline constexpr uint8_t kNtWorkstation = 1;
inline constexpr uint8_t kNtDomainController = 2;
inline constexpr uint8_t kNtServer = 3;

// wSuiteMask bits (VER_SUITE_*).
inline constexpr uint16_t kSuiteSmallBusiness = 0x0001;
inline constexpr uint16_t kSuiteEnterprise = 0x0002;
inline constexpr uint16_t kSuiteBackOffice = 0x0004;
inline constexpr uint16_t kSuiteCommunications = 0x0008;
inline constexpr uint16_t kSuiteTerminal = 0x0010;
inline constexpr uint16_t kSuiteSmallBusinessRestricted = 0x0020;
inline constexpr uint16_t kSuiteEmbeddedNt = 0x0040;
inline constexpr uint16_t kSuiteDatacenter = 0x0080;
inline constexpr uint16_t kSuiteSingleUserTs = 0x0100;
inline constexpr uint16_t kSuitePersonal = 0x0200;
inline constexpr uint16_t kSuiteBlade = 0x0400;
inline constexpr uint16_t kSuiteEmbeddedRestricted = 0x0800;
inline constexpr uint16_t kSuiteSecurityAppliance = 0x1000;
inline constexpr uint16_t kSuiteStorageServer = 0x2000;
inline constexpr uint16_t kSuiteComputeServer = 0x4000;
inline constexpr uint16_t kSuiteHomeServer = 0x8000;

// wProcessorArchitecture values (PROCESSOR_ARCHITECTURE_*).
inline constexpr uint16_t kArchitectureIntel = 0;
inline constexpr uint16_t kArchitectureArm = 5;
inline constexpr uint16_t kArchitectureIa64 = 6;
inline constexpr uint16_t kArchitectureAmd64 = 9;
inline constexpr uint16_t kArchitectureIa32OnWin64 = 10;
inline constexpr uint16_t kArchitectureArm64 = 12;
inline constexpr uint16_t kArchitectureUnknown = 0xFFFF;

// GetProductInfo's "no such product".
inline constexpr uint32_t kProductUndefined = 0;

struct WindowsVersion {
  uint32_t platformId = kPlatformWin32Nt;
  uint32_t majorVersion = 6;
  uint32_t minorVersion = 1;
  uint32_t buildNumber = 7601;
  std::string csdVersion;  // "Service Pack 1", or empty
  uint32_t servicePackMajor = 0;
  uint32_t servicePackMinor = 0;
  uint32_t productType = kNtWorkstation;
  uint16_t suiteMask = 0;
  std::string productName;    // "Windows 7 Professional"
  std::string editionId;      // "Professional"
  std::string architecture;   // "x64" or "x86"
  // The native processor architecture (GetNativeSystemInfo).
  uint16_t processorArchitecture = kArchitectureAmd64;
};

// GetVersionExW as the system reports it; Windows 7 SP1 x64 when it cannot
// be asked. Never fails.
WindowsVersion GetWindowsVersion();

// GetVersionExW with the extended structure (product type, suite mask and
// service-pack numbers) or the basic one (those stay 0). The product name and
// edition are ProductName and EditionID of
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, the architecture the
// native processor's (GetNativeSystemInfo). Fails with the system's error
// when the version cannot be read; missing registry values stay empty.
// A program sees the true version only when its manifest declares that
// Windows release; otherwise Windows 8.1 and later report 6.2.
std::expected<WindowsVersion, Win32Error> QueryWindowsVersion(bool bExtended);

// The suite bits of a ProductSuite list ("Enterprise", "Terminal Server",
// "Personal" ...; names compared without case, unknown names ignored).
uint16_t SuiteMaskFromProductSuite(std::string_view multiString);

// PROCESSOR_ARCHITECTURE text ("x86", "AMD64", "IA64", "ARM", "ARM64") as its
// number; kArchitectureUnknown for any other text.
uint16_t ArchitectureFromName(std::string_view name);

// GetProductInfo: the product type (PRODUCT_*) of the installed edition,
// from EditionID. kProductUndefined on systems before 6.0, when the caller
// asks for an older version, and for an unknown edition.
uint32_t GetProductInfo(uint32_t osMajor, uint32_t osMinor, uint32_t spMajor, uint32_t spMinor);
// EditionID text as its product type; kProductUndefined when unknown.
uint32_t ProductTypeFromEditionId(std::string_view editionId);

// GetSystemMetrics(SM_SERVERR2): the build number on Windows Server 2003 R2
// (a 5.2 system whose ProductName names R2), else 0.
int GetServerR2Metric();

// The system's default UI language (0x0412 = Korean).
uint16_t GetSystemLanguage();
// The current user's UI language: MultiUILanguageId (hex) of
// HKCU\Control Panel\Desktop when set, else the system's.
uint16_t GetUserUILanguage();
// "64" or "32".
std::string GetSystemBits();

std::string ComputerName();  // GetComputerNameW: the NetBIOS name, upper case
std::string UserName();      // GetUserNameW: the current user's name
uint64_t GetTotalMemoryBytes();
uint64_t GetAvailableMemoryBytes();
uint32_t GetProcessorCount();

// GlobalMemoryStatusEx: 64-bit byte counts. The page file is the commit
// limit (memory plus paging space); virtual memory is this process's user
// address space.
struct MemoryStatus {
  uint32_t memoryLoad = 0;  // percent of physical memory in use
  uint64_t totalPhys = 0;
  uint64_t availPhys = 0;
  uint64_t totalPageFile = 0;
  uint64_t availPageFile = 0;
  uint64_t totalVirtual = 0;
  uint64_t availVirtual = 0;
};
// The system's error (nothing filled) when the figures cannot be read.
std::expected<MemoryStatus, Win32Error> GetMemoryStatus();

}  // namespace platform
