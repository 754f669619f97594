#include "platform/sysinfo/WindowsVersion.h"
#include "platform/sysinfo/WindowsVersion_posix.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/text/Utf.h"

// The personality's version is what the prefix registry describes, read
// where Windows keeps it:
//  - NT: HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion (CurrentVersion or
//    CurrentMajor/MinorVersionNumber, CurrentBuildNumber, CSDVersion,
//    ProductName, EditionID), ...\Control\ProductOptions (ProductType,
//    ProductSuite), ...\Control\Windows (CSDVersion as a number),
//    ...\Session Manager\Environment (PROCESSOR_ARCHITECTURE).
//  - 9x, when the NT key is missing: VersionNumber ("4.10.2222") and
//    SubVersionNumber (" A ") of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion.
// Missing values keep the Windows 7 SP1 x64 defaults; the registry's error
// (kErrorRegistryCorrupt, an I/O error) when the machine hive cannot be read.
// The machine facts are the host's: its host name, the effective user, the
// figures of /proc/meminfo and the address-space limit.
namespace platform {

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kWindowsCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr char kEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

uint32_t ParseNumber(const std::string& text, uint32_t fallback) {
  if (text.empty()) return fallback;
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return end == text.c_str() ? fallback : static_cast<uint32_t>(value);
}

std::string ReadString(RegRoot root, const char* path, const char* name) {
  RegKey key;
  if (key.Open(root, path) != kErrorSuccess) return {};
  return key.ReadString(name).value_or("");
}

// REG_MULTI_SZ bytes (UTF-16LE) as UTF-8 with the NUL separators kept.
std::string MultiStringText(const std::vector<uint8_t>& data) {
  return Utf16BytesToUtf8(data);
}

}  // namespace

std::expected<WindowsVersion, Win32Error> QueryWindowsVersion(bool bExtended) {
  WindowsVersion version;
  RegKey key;
  const Win32Error opened = key.Open(RegRoot::kLocalMachine, kCurrentVersion);
  if (opened != kErrorSuccess && opened != kErrorFileNotFound) return std::unexpected(opened);
  if (opened == kErrorFileNotFound) {
    // No NT key: a Windows 9x machine keeps its version under "Windows".
    RegKey windows;
    if (windows.Open(RegRoot::kLocalMachine, kWindowsCurrentVersion) == kErrorSuccess) {
      if (auto number = windows.ReadString("VersionNumber"); number && !number->empty()) {
        unsigned major = 0, minor = 0, build = 0;
        if (std::sscanf(number->c_str(), "%u.%u.%u", &major, &minor, &build) >= 2) {
          version.platformId = kPlatformWindows9x;
          version.majorVersion = major;
          version.minorVersion = minor;
          version.buildNumber = build;
          version.csdVersion = windows.ReadString("SubVersionNumber").value_or("");
          version.productType = 0;
          version.architecture = "x86";
          version.processorArchitecture = kArchitectureIntel;
          return version;
        }
      }
    }
  } else {
    std::string current = key.ReadString("CurrentVersion").value_or("");
    size_t dot = current.find('.');
    if (dot != std::string::npos) {
      version.majorVersion = ParseNumber(current.substr(0, dot), version.majorVersion);
      version.minorVersion = ParseNumber(current.substr(dot + 1), version.minorVersion);
    }
    // Windows 10 keeps "6.3" in CurrentVersion for old readers; the numbers
    // are the truth where they exist.
    if (auto major = key.ReadDword("CurrentMajorVersionNumber")) version.majorVersion = *major;
    if (auto minor = key.ReadDword("CurrentMinorVersionNumber")) version.minorVersion = *minor;
    version.buildNumber = ParseNumber(key.ReadString("CurrentBuildNumber").value_or(""), version.buildNumber);
    version.csdVersion = key.ReadString("CSDVersion").value_or("");
    version.productName = key.ReadString("ProductName").value_or("");
    version.editionId = key.ReadString("EditionID").value_or("");
  }
  RegKey windows;
  if (windows.Open(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Windows") == kErrorSuccess) {
    if (auto csd = windows.ReadDword("CSDVersion")) {
      version.servicePackMajor = (*csd >> 8) & 0xFF;
      version.servicePackMinor = *csd & 0xFF;
    }
  }
  RegKey productOptions;
  if (productOptions.Open(RegRoot::kLocalMachine, kProductOptions) == kErrorSuccess) {
    std::string productType = productOptions.ReadString("ProductType").value_or("");
    version.productType = EqualsIgnoreCase(productType, "LanmanNT") ? kNtDomainController
                          : EqualsIgnoreCase(productType, "ServerNT") ? kNtServer
                                                                      : kNtWorkstation;
    if (auto suite = productOptions.QueryValue("ProductSuite"); suite && suite->type == kRegMultiSz) {
      version.suiteMask = SuiteMaskFromProductSuite(MultiStringText(suite->data));
    }
  }
  std::string arch = ReadString(RegRoot::kLocalMachine, kEnvironment, "PROCESSOR_ARCHITECTURE");
  version.architecture = arch == "x86" ? "x86" : "x64";
  version.processorArchitecture = arch.empty() ? kArchitectureAmd64 : ArchitectureFromName(arch);
  if (!bExtended) {
    // OSVERSIONINFOW ends with the service-pack text.
    version.servicePackMajor = 0;
    version.servicePackMinor = 0;
    version.productType = 0;
    version.suiteMask = 0;
  }
  return version;
}

std::string ComputerName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return "LOCALHOST";
  std::string name(host);
  name = name.substr(0, name.find('.'));
  // NetBIOS names are upper case and at most 15 characters.
  if (name.size() > 15) name.resize(15);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return name.empty() ? "LOCALHOST" : name;
}

std::string UserName() {
  if (passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
  return "user";
}

uint64_t GetTotalMemoryBytes() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

uint64_t GetAvailableMemoryBytes() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return (static_cast<uint64_t>(info.freeram) + info.bufferram) * info.mem_unit;
}

uint32_t GetProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<uint32_t>(count) : 1;
}

std::expected<MemoryStatus, Win32Error> ParseMemInfo(std::string_view text) {
  std::optional<uint64_t> total, available, free, buffers, cached, swapTotal, swapFree;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    char name[64] = {};
    unsigned long long kib = 0;
    if (std::sscanf(line.c_str(), "%63[^:]: %llu", name, &kib) != 2) continue;
    const uint64_t bytes = static_cast<uint64_t>(kib) * 1024;
    const std::string_view key(name);
    if (key == "MemTotal") total = bytes;
    if (key == "MemAvailable") available = bytes;
    if (key == "MemFree") free = bytes;
    if (key == "Buffers") buffers = bytes;
    if (key == "Cached") cached = bytes;
    if (key == "SwapTotal") swapTotal = bytes;
    if (key == "SwapFree") swapFree = bytes;
  }
  if (!total) return std::unexpected(kErrorInvalidData);
  MemoryStatus status;
  status.totalPhys = *total;
  // Kernels before 3.14 have no MemAvailable; free plus the caches is what
  // they could hand out.
  status.availPhys = available ? *available : free.value_or(0) + buffers.value_or(0) + cached.value_or(0);
  if (status.availPhys > status.totalPhys) status.availPhys = status.totalPhys;
  status.totalPageFile = status.totalPhys + swapTotal.value_or(0);
  status.availPageFile = status.availPhys + swapFree.value_or(0);
  status.memoryLoad = status.totalPhys == 0
                          ? 0
                          : static_cast<uint32_t>((status.totalPhys - status.availPhys) * 100 / status.totalPhys);
  return status;
}

std::expected<MemoryStatus, Win32Error> GetMemoryStatus() {
  std::ifstream meminfo("/proc/meminfo");
  std::ostringstream text;
  text << meminfo.rdbuf();
  std::expected<MemoryStatus, Win32Error> status = ParseMemInfo(text.str());
  if (!status) return std::unexpected(kErrorGenFailure);

  // The user address space: 47 bits on 64-bit hosts, less when the process
  // runs under an address-space limit.
  uint64_t total = sizeof(void*) == 8 ? (uint64_t{1} << 47) : (uint64_t{1} << 31);
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < total) {
    total = limit.rlim_cur;
  }
  uint64_t used = 0;
  std::ifstream self("/proc/self/status");
  std::string line;
  while (std::getline(self, line)) {
    unsigned long long kib = 0;
    if (std::sscanf(line.c_str(), "VmSize: %llu kB", &kib) == 1) used = static_cast<uint64_t>(kib) * 1024;
  }
  status->totalVirtual = total;
  status->availVirtual = used < total ? total - used : 0;
  return status;
}

}  // namespace platform
