#include "diagnostics/OsNames.h"

#include "platform/sysinfo/WindowsVersion.h"

namespace {

using platform::kArchitectureAmd64;
using platform::kArchitectureIa32OnWin64;
using platform::kArchitectureIa64;
using platform::kArchitectureIntel;
using platform::kPlatformWin32Nt;
using platform::kPlatformWin32s;
using platform::kPlatformWindows9x;
using platform::kSuiteBlade;
using platform::kSuiteComputeServer;
using platform::kSuiteDatacenter;
using platform::kSuiteEnterprise;
using platform::kSuiteHomeServer;
using platform::kSuitePersonal;
using platform::kSuiteStorageServer;
constexpr uint32_t kWorkstation = platform::kNtWorkstation;

bool Has(uint16_t mask, uint16_t bit) { return (mask & bit) != 0; }

// Editions of 6.0 and 6.1 by product type.
std::string ProductEdition(uint32_t productType) {
  switch (productType) {
    case 1: return "Ultimate Edition";
    case 2: return "Home Basic Edition";
    case 3: return "Home Premium Edition";
    case 4: return "Enterprise Edition";
    case 6: return "Business Edition";
    case 7: return "Standard Edition";
    case 8: return "Datacenter Edition";
    case 9: return "Small Business Server";
    case 10: return "Enterprise Edition";
    case 11: return "Starter Edition";
    case 12: return "Datacenter Edition (core installation)";
    case 13: return "Standard Edition (core installation)";
    case 14: return "Enterprise Edition (core installation)";
    case 15: return "Enterprise Edition for Itanium-based Systems";
    case 17: return "Web Server Edition";
    case 18: return "Cluster Server Edition";
    default: return {};
  }
}

std::string ArchitectureBits(uint16_t architecture) {
  switch (architecture) {
    case kArchitectureAmd64:
    case kArchitectureIa64:
    case kArchitectureIa32OnWin64: return "64";
    case kArchitectureIntel: return "32";
    default: return {};
  }
}

void NameServer2003(const OsVersionFacts& facts, OsNames& names) {
  const bool bWorkstation = facts.productType == kWorkstation;
  if (facts.serverR2Metric != 0) {
    names.strName = "Windows Server 2003 R2";
  } else if (facts.suiteMask == kSuiteStorageServer) {
    names.strName = "Windows Storage Server 2003";
  } else if (facts.suiteMask == kSuiteHomeServer) {
    names.strName = "Windows Home Server";
  } else if (bWorkstation && facts.processorArchitecture == kArchitectureAmd64) {
    names.strName = "Windows XP Professional x64 Edition";
    names.strBits = "64";
  } else {
    names.strName = "Windows Server 2003";
  }
  if (bWorkstation) return;

  const uint16_t suite = facts.suiteMask;
  if (facts.processorArchitecture == kArchitectureIa64) {
    names.strBits = "64";
    if (Has(suite, kSuiteDatacenter)) {
      names.strEdition = "Datacenter Edition for Itanium-based Systems";
    } else if (Has(suite, kSuiteEnterprise)) {
      names.strEdition = "Enterprise Edition for Itanium-based Systems";
    }
  } else if (facts.processorArchitecture == kArchitectureAmd64) {
    names.strBits = "64";
    names.strEdition = Has(suite, kSuiteDatacenter)   ? "Datacenter x64 Edition"
                       : Has(suite, kSuiteEnterprise) ? "Enterprise x64 Edition"
                                                      : "Standard x64 Edition";
  } else {
    names.strEdition = Has(suite, kSuiteComputeServer) ? "Compute Cluster Edition"
                       : Has(suite, kSuiteDatacenter)  ? "Datacenter Edition"
                       : Has(suite, kSuiteEnterprise)  ? "Enterprise Edition"
                       : Has(suite, kSuiteBlade)       ? "Web Edition"
                                                       : "Standard Edition";
  }
}

void NameNt(const OsVersionFacts& facts, OsNames& names) {
  const bool bWorkstation = facts.productType == kWorkstation;
  const uint32_t major = facts.majorVersion;
  const uint32_t minor = facts.minorVersion;
  if (major <= 4) {
    names.strName = "Unknown Operating System";
  } else if (major == 5 && minor == 0) {
    names.strName = "Windows 2000";
    names.strEdition = bWorkstation                             ? "Professional"
                       : Has(facts.suiteMask, kSuiteDatacenter) ? "Datacenter Server"
                       : Has(facts.suiteMask, kSuiteEnterprise) ? "Advanced Server"
                                                                : "Server";
  } else if (major == 5 && minor == 1) {
    names.strName = "Windows XP";
    names.strEdition = Has(facts.suiteMask, kSuitePersonal) ? "Home Edition" : "Professional";
  } else if (major == 5 && minor == 2) {
    NameServer2003(facts, names);
  } else if (major == 6 && minor <= 1) {
    if (minor == 0) {
      names.strName = bWorkstation ? "Windows Vista" : "Windows Server 2008";
    } else {
      names.strName = bWorkstation ? "Windows 7" : "Windows Server 2008 R2";
    }
    names.strEdition = ProductEdition(facts.productInfoType);
    names.strBits = ArchitectureBits(facts.processorArchitecture);
  } else if (major == 6) {
    names.strName = "Above Windows 7";
  }
  // 5.3 and above 5.2 but below 6, and 7 and later: no name.
}

void Name9x(const OsVersionFacts& facts, OsNames& names) {
  const char second = facts.csdVersion.size() > 1 ? facts.csdVersion[1] : '\0';
  if (facts.majorVersion != 4) return;
  if (facts.minorVersion == 0) {
    names.strName = "Windows 95";
    if (second == 'C' || second == 'B') names.strEdition = "OSR2";
  } else if (facts.minorVersion == 10) {
    names.strName = "Windows 98";
    if (second == 'A') names.strEdition = "SE";
  } else if (facts.minorVersion == 90) {
    names.strName = "Windows Me";
  }
}

}  // namespace

OsNames NameOperatingSystem(const OsVersionFacts& facts) {
  OsNames names;
  switch (facts.platformId) {
    case kPlatformWin32Nt: NameNt(facts, names); break;
    case kPlatformWindows9x: Name9x(facts, names); break;
    case kPlatformWin32s: names.strName = "Win32s"; break;
    default: names.strName = "Unknown Operating System"; break;
  }
  return names;
}
