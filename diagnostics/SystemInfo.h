#pragma once

#include <string>

// What the system analysis found out about the PC: one record per run, owned
// by the run, written by GatherSystemInfo and read by the report section and
// by the platform filter of the install (bits, version numbers, Vista flag).
// All strings start empty and all numbers at 0.
class CSystemInfo {
 public:
  virtual ~CSystemInfo() = default;

  // Fills the record: user name, computer name, language, processor, memory,
  // operating system, in this order. 1 when done; 0 when the operating
  // system's version could not be read (the other fields are filled all the
  // same and the OS fields stay empty).
  int GatherSystemInfo();

  std::string m_strComputerName;
  std::string m_strUserName;

  std::string m_strOsName;       // "Windows 7"
  std::string m_strEdition;      // "Ultimate Edition"
  std::string m_strVersion;      // "6.1"
  std::string m_strBits;         // "32" or "64"
  std::string m_strServicePack;  // "Service Pack 1"
  std::string m_strBuild;        // "7601"
  int m_nMajorVersion = 0;
  int m_nMinorVersion = 0;
  // 1 on the NT platform with a major version above 5.
  int m_bVistaOrLater = 0;

  std::string m_strLanguage;         // "KOREAN"
  std::string m_strLanguageVariant;  // "Korean (Extended Wansung)"

  std::string m_strProcessorName;
  int m_nProcessorCount = 0;
  int m_nProcessorMhz = 0;
  std::string m_strProcessorVendor;

  // Megabytes, right-aligned in 7 characters ("   2047").
  std::string m_strAvailPhysMemory;
  std::string m_strTotalPhysMemory;
  std::string m_strAvailVirtualMemory;
  std::string m_strTotalVirtualMemory;
  std::string m_strAvailPageFile;
  std::string m_strTotalPageFile;
};
