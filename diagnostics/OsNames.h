#pragma once

#include <cstdint>
#include <string>

// The names the system analysis gives the operating system, from the facts
// of the version query.
struct OsVersionFacts {
  uint32_t platformId = 0;
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t productType = 0;  // 1 workstation
  uint16_t suiteMask = 0;
  std::string csdVersion;
  uint16_t processorArchitecture = 0;  // native: 0 x86, 6 Itanium, 9 x64
  int serverR2Metric = 0;              // non-zero on Windows Server 2003 R2
  uint32_t productInfoType = 0;        // product type of 6.x systems (PRODUCT_*)
};

struct OsNames {
  std::string strName;     // "Windows 7"
  std::string strEdition;  // "Ultimate Edition"
  std::string strBits;     // "64", "32" or empty (the caller fills in "32")
};

// The OS name, edition and bits the rules give those facts; parts a rule
// does not name stay empty.
OsNames NameOperatingSystem(const OsVersionFacts& facts);
