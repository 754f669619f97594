#include "platform/sysinfo/WindowsVersion.h"

#include <cstdlib>

#include "platform/registry/Registry.h"
#include "platform/text/Utf.h"

// The facts both systems read the same way: from the version the system
// reports and from the registry.
namespace platform {

namespace {

std::string ReadString(RegRoot root, const char* path, const char* name) {
  RegKey key;
  if (key.Open(root, path) != kErrorSuccess) return {};
  return key.ReadString(name).value_or("");
}

}  // namespace

WindowsVersion GetWindowsVersion() {
  std::expected<WindowsVersion, Win32Error> version = QueryWindowsVersion(true);
  return version ? *version : WindowsVersion{};
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

}  // namespace platform
