#include "diagnostics/SystemInfo.h"

#include <expected>
#include <optional>
#include <vector>

#include "diagnostics/LanguageNames.h"
#include "diagnostics/OsNames.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/Format.h"
#include "platform/text/Utf.h"

namespace {

constexpr char kProcessorKey[] = "Hardware\\Description\\System\\CentralProcessor\\0";
// The buffers the names and the processor texts are read into.
constexpr size_t kNameBufferChars = 256;
constexpr size_t kProcessorTextBytes = 128;
constexpr int kMegabyteShift = 20;
constexpr int kMemoryWidth = 7;

// RegQueryValueEx into a buffer of nBufferBytes: nothing when the value is
// missing or does not fit.
std::optional<std::vector<uint8_t>> QueryInto(const platform::RegKey& key, const char* name, size_t nBufferBytes) {
  std::expected<platform::RegValue, platform::Win32Error> value = key.QueryValue(name);
  if (!value || value->data.size() > nBufferBytes) return std::nullopt;
  return value->data;
}

// The text of a value read as UTF-16, up to its first NUL.
std::string TextOf(const std::vector<uint8_t>& data) {
  return platform::Utf16BytesToUtf8(data, platform::Utf16End::kAtFirstNul);
}

std::string MegabyteText(uint64_t bytes) {
  return platform::Format("%*ld", kMemoryWidth, static_cast<long>(bytes >> kMegabyteShift));
}

}  // namespace

int CSystemInfo::GatherSystemInfo() {
  m_strUserName = std::string(platform::TruncateUtf16(platform::UserName(), kNameBufferChars - 1));
  m_strComputerName = std::string(platform::TruncateUtf16(platform::ComputerName(), kNameBufferChars - 1));

  // The system's language, not the user's.
  const uint16_t language = platform::GetSystemLanguage();
  const unsigned nPrimary = language & 0x3FF;
  const unsigned nVariant = language >> 10;
  m_strLanguage = LanguageName(nPrimary);
  m_strLanguageVariant = LanguageVariantName(nPrimary, nVariant);

  // The first value that cannot be read ends the processor step with an
  // empty name and a count of 0.
  platform::RegKey processor;
  if (processor.Open(platform::RegRoot::kLocalMachine, kProcessorKey) == platform::kErrorSuccess) {
    const std::optional<std::vector<uint8_t>> mhz = QueryInto(processor, "~MHz", 4);
    const std::optional<std::vector<uint8_t>> vendor =
        mhz ? QueryInto(processor, "VendorIdentifier", kProcessorTextBytes) : std::nullopt;
    const std::optional<std::vector<uint8_t>> name =
        vendor ? QueryInto(processor, "ProcessorNameString", kProcessorTextBytes) : std::nullopt;
    if (name) {
      uint32_t value = 0;
      for (size_t i = 0; i < mhz->size(); ++i) value |= static_cast<uint32_t>((*mhz)[i]) << (8 * i);
      m_nProcessorMhz = static_cast<int>(value);
      m_strProcessorVendor = TextOf(*vendor);
      m_strProcessorName = TextOf(*name);
      m_nProcessorCount = static_cast<int>(platform::GetProcessorCount());
    }
  }

  // 64-bit counts: the 32-bit ones stop at 4 GiB.
  if (std::expected<platform::MemoryStatus, platform::Win32Error> memory = platform::GetMemoryStatus()) {
    m_strAvailPhysMemory = MegabyteText(memory->availPhys);
    m_strTotalPhysMemory = MegabyteText(memory->totalPhys);
    m_strAvailVirtualMemory = MegabyteText(memory->availVirtual);
    m_strTotalVirtualMemory = MegabyteText(memory->totalVirtual);
    m_strAvailPageFile = MegabyteText(memory->availPageFile);
    m_strTotalPageFile = MegabyteText(memory->totalPageFile);
  }

  std::expected<platform::WindowsVersion, platform::Win32Error> version = platform::QueryWindowsVersion(true);
  if (!version) version = platform::QueryWindowsVersion(false);
  if (!version) return 0;
  m_nMajorVersion = static_cast<int>(version->majorVersion);
  m_nMinorVersion = static_cast<int>(version->minorVersion);
  const bool bNt = version->platformId == platform::kPlatformWin32Nt;
  if (bNt && version->majorVersion > 5) m_bVistaOrLater = 1;

  OsVersionFacts facts;
  facts.platformId = version->platformId;
  facts.majorVersion = version->majorVersion;
  facts.minorVersion = version->minorVersion;
  facts.productType = version->productType;
  facts.suiteMask = version->suiteMask;
  facts.csdVersion = version->csdVersion;
  facts.processorArchitecture = version->processorArchitecture;
  if (bNt && version->majorVersion == 5 && version->minorVersion == 2) {
    facts.serverR2Metric = platform::GetServerR2Metric();
  }
  if (bNt && version->majorVersion == 6 && version->minorVersion <= 1) {
    facts.productInfoType = platform::GetProductInfo(6, 0, 0, 0);
  }
  const OsNames names = NameOperatingSystem(facts);
  m_strOsName = names.strName;
  m_strEdition = names.strEdition;
  m_strBits = names.strBits;

  if (bNt && version->majorVersion >= 5) {
    if (!version->csdVersion.empty()) m_strServicePack = version->csdVersion;
    m_strBuild = platform::Format("%d", static_cast<int>(version->buildNumber));
  }
  m_strVersion = platform::Format("%d.%d", m_nMajorVersion, m_nMinorVersion);
  if (m_strBits.empty()) m_strBits = "32";
  return 1;
}
