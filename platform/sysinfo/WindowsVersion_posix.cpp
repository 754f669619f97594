#include "platform/sysinfo/WindowsVersion.h"

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

WindowsVersion GetWindowsVersion() {
  std::expected<WindowsVersion, Win32Error> version = QueryWindowsVersion(true);
  return version ? *version : WindowsVersion{};
}

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

uint16_t SuiteMaskFromProductSuite(std::string_view multiString) {
  static constexpr struct {
    const char* name;
    uint16_t bit;
  } kSuites[] = {
      {"Small Business", kSuiteSmallBusiness},
      {"Enterprise", kSuiteEnterprise},
      {"BackOffice", kSuiteBackOffice},
      {"CommunicationServer", kSuiteCommunications},
      {"Terminal Server", kSuiteTerminal},
      {"Small Business(Restricted)", kSuiteSmallBusinessRestricted},
      {"EmbeddedNT", kSuiteEmbeddedNt},
      {"DataCenter", kSuiteDatacenter},
      {"Single User Terminal Server", kSuiteSingleUserTs},
      {"Personal", kSuitePersonal},
      {"Blade", kSuiteBlade},
      {"Embedded(Restricted)", kSuiteEmbeddedRestricted},
      {"Security Appliance", kSuiteSecurityAppliance},
      {"Storage Server", kSuiteStorageServer},
      {"Compute Server", kSuiteComputeServer},
      {"WH Server", kSuiteHomeServer},
  };
  uint16_t mask = 0;
  size_t start = 0;
  while (start < multiString.size()) {
    size_t end = multiString.find('\0', start);
    if (end == std::string_view::npos) end = multiString.size();
    const std::string_view name = multiString.substr(start, end - start);
    for (const auto& suite : kSuites) {
      if (EqualsIgnoreCase(name, suite.name)) mask |= suite.bit;
    }
    start = end + 1;
  }
  return mask;
}

uint16_t ArchitectureFromName(std::string_view name) {
  static constexpr struct {
    const char* name;
    uint16_t architecture;
  } kArchitectures[] = {
      {"x86", kArchitectureIntel}, {"AMD64", kArchitectureAmd64}, {"IA64", kArchitectureIa64},
      {"ARM", kArchitectureArm},   {"ARM64", kArchitectureArm64},
  };
  for (const auto& entry : kArchitectures) {
    if (EqualsIgnoreCase(name, entry.name)) return entry.architecture;
  }
  return kArchitectureUnknown;
}

uint32_t ProductTypeFromEditionId(std::string_view editionId) {
  static constexpr struct {
    const char* edition;
    uint32_t product;
  } kEditions[] = {
      {"Ultimate", 0x01},
      {"HomeBasic", 0x02},
      {"HomePremium", 0x03},
      {"Enterprise", 0x04},
      {"HomeBasicN", 0x05},
      {"Business", 0x06},
      {"ServerStandard", 0x07},
      {"ServerDatacenter", 0x08},
      {"ServerSBSStandard", 0x09},
      {"ServerEnterprise", 0x0A},
      {"Starter", 0x0B},
      {"ServerDatacenterCore", 0x0C},
      {"ServerStandardCore", 0x0D},
      {"ServerEnterpriseCore", 0x0E},
      {"ServerEnterpriseIA64", 0x0F},
      {"BusinessN", 0x10},
      {"ServerWeb", 0x11},
      {"ServerHPC", 0x12},
      {"ServerHomeStandard", 0x13},
      {"ServerStorageExpress", 0x14},
      {"ServerStorageStandard", 0x15},
      {"ServerStorageWorkgroup", 0x16},
      {"ServerStorageEnterprise", 0x17},
      {"ServerForSBSolutions", 0x18},
      {"ServerSBSPremium", 0x19},
      {"HomePremiumN", 0x1A},
      {"EnterpriseN", 0x1B},
      {"UltimateN", 0x1C},
      {"ServerWebCore", 0x1D},
      {"StarterN", 0x2F},
      {"Professional", 0x30},
      {"ProfessionalN", 0x31},
      {"CoreN", 0x62},
      {"CoreCountrySpecific", 0x63},
      {"CoreSingleLanguage", 0x64},
      {"Core", 0x65},
      {"ProfessionalWMC", 0x67},
      {"Education", 0x79},
      {"EducationN", 0x7A},
      {"EnterpriseS", 0x7D},
  };
  for (const auto& entry : kEditions) {
    if (EqualsIgnoreCase(editionId, entry.edition)) return entry.product;
  }
  return kProductUndefined;
}

uint32_t GetProductInfo(uint32_t osMajor, uint32_t osMinor, uint32_t spMajor, uint32_t spMinor) {
  (void)spMajor;
  (void)spMinor;
  if (osMajor < 6) return kProductUndefined;
  const std::expected<WindowsVersion, Win32Error> version = QueryWindowsVersion(true);
  if (!version || version->platformId != kPlatformWin32Nt || version->majorVersion < 6) return kProductUndefined;
  // The call answers for the installed edition whenever the caller's version
  // is not newer than the installed one.
  if (osMajor * 100 + osMinor > version->majorVersion * 100 + version->minorVersion) return kProductUndefined;
  return ProductTypeFromEditionId(version->editionId);
}

int GetServerR2Metric() {
  const std::expected<WindowsVersion, Win32Error> version = QueryWindowsVersion(true);
  if (!version || version->platformId != kPlatformWin32Nt || version->majorVersion != 5 ||
      version->minorVersion != 2) {
    return 0;
  }
  const std::string name = " " + version->productName + " ";
  return name.find(" R2 ") != std::string::npos ? static_cast<int>(version->buildNumber) : 0;
}

uint16_t GetSystemLanguage() {
  std::string text = ReadString(RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "Default");
  if (text.empty()) return 0x0412;
  return static_cast<uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

uint16_t GetUserUILanguage() {
  // Where the multilingual user interface keeps a user's own choice.
  std::string text = ReadString(RegRoot::kCurrentUser, "Control Panel\\Desktop", "MultiUILanguageId");
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (text.empty() || *end != '\0' || value == 0 || value > 0xFFFF) return GetSystemLanguage();
  return static_cast<uint16_t>(value);
}

std::string GetSystemBits() { return GetWindowsVersion().architecture == "x86" ? "32" : "64"; }

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
