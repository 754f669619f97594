#include "diagnostics/SystemAnalysis.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sysinfo/WindowsVersion.h"
#include "tests/diagnostics/DiagnosticsTestSupport.h"
#include "tests/support/TempPrefix.h"

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kProductOptions[] = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr char kEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kProcessor[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

RegEdit Suite(const char* names) { return {RegEdit::kMultiString, kProductOptions, "ProductSuite", names}; }
RegEdit Edition(const char* id) { return {RegEdit::kString, kCurrentVersion, "EditionID", id}; }
RegEdit Architecture(const char* name) { return {RegEdit::kString, kEnvironment, "PROCESSOR_ARCHITECTURE", name}; }

platform::PrefixOptions Machine(uint32_t major, uint32_t minor, uint32_t build, uint32_t sp, uint32_t productType,
                                const char* architecture) {
  platform::PrefixOptions options;
  options.majorVersion = major;
  options.minorVersion = minor;
  options.buildNumber = build;
  options.servicePackMajor = sp;
  options.productType = productType;
  options.architecture = architecture;
  return options;
}

struct OsCase {
  const char* name;
  platform::PrefixOptions machine;
  std::vector<RegEdit> edits;
  const char* osLine;  // the "운영체제" line without its line end
  const char* servicePack;
  int major;
  int minor;
  int vistaOrLater;
};

class SystemAnalysisOs : public ::testing::TestWithParam<OsCase> {};

// A prefix set up as a given Windows reads as that Windows: name, edition,
// bits, version and build in the report, and the version facts the install
// filters by in the record.
TEST_P(SystemAnalysisOs, ReportsTheSystemThePrefixDescribes) {
  const OsCase& c = GetParam();
  TempPrefix prefix(c.machine);
  for (const RegEdit& edit : c.edits) ASSERT_TRUE(ApplyEdit(edit)) << edit.key << "\\" << edit.name;

  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  EXPECT_EQ(AnalyzeUser(pInfo, report), 0);
  ASSERT_TRUE(pInfo);
  EXPECT_EQ(report.LineStartingWith("운영체제 : "), std::string(c.osLine) + "\r\n");
  EXPECT_EQ(report.LineStartingWith("서비스팩 : "), std::string("서비스팩 : ") + c.servicePack + "\r\n");
  EXPECT_EQ(pInfo->m_nMajorVersion, c.major);
  EXPECT_EQ(pInfo->m_nMinorVersion, c.minor);
  EXPECT_EQ(pInfo->m_bVistaOrLater, c.vistaOrLater);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, SystemAnalysisOs,
    ::testing::Values(
        OsCase{"Windows2000AdvancedServer", Machine(5, 0, 2195, 4, 3, "x86"), {Suite("Enterprise|Terminal Server")},
               "운영체제 : Microsoft Windows 2000 Advanced Server 32비트 5.0 (빌드번호 2195)", "Service Pack 4", 5, 0, 0},
        OsCase{"WindowsXpHome", Machine(5, 1, 2600, 3, 1, "x86"), {Suite("Personal")},
               "운영체제 : Microsoft Windows XP Home Edition 32비트 5.1 (빌드번호 2600)", "Service Pack 3", 5, 1, 0},
        OsCase{"WindowsXpProfessional", Machine(5, 1, 2600, 2, 1, "x86"), {},
               "운영체제 : Microsoft Windows XP Professional 32비트 5.1 (빌드번호 2600)", "Service Pack 2", 5, 1, 0},
        OsCase{"Server2003Enterprise", Machine(5, 2, 3790, 2, 3, "x86"), {Suite("Enterprise|Terminal Server")},
               "운영체제 : Microsoft Windows Server 2003 Enterprise Edition 32비트 5.2 (빌드번호 3790)",
               "Service Pack 2", 5, 2, 0},
        OsCase{"Server2003Standard", Machine(5, 2, 3790, 1, 3, "x86"), {Suite("Terminal Server")},
               "운영체제 : Microsoft Windows Server 2003 Standard Edition 32비트 5.2 (빌드번호 3790)",
               "Service Pack 1", 5, 2, 0},
        OsCase{"Server2003Web", Machine(5, 2, 3790, 0, 3, "x86"), {Suite("Blade")},
               "운영체제 : Microsoft Windows Server 2003 Web Edition 32비트 5.2 (빌드번호 3790)", "", 5, 2, 0},
        OsCase{"Server2003ComputeCluster", Machine(5, 2, 3790, 0, 3, "x86"), {Suite("Compute Server|DataCenter")},
               "운영체제 : Microsoft Windows Server 2003 Compute Cluster Edition 32비트 5.2 (빌드번호 3790)", "", 5,
               2, 0},
        OsCase{"Server2003R2DatacenterX64",
               Machine(5, 2, 3790, 2, 3, "x64"),
               {Suite("DataCenter"),
                {RegEdit::kString, kCurrentVersion, "ProductName", "Microsoft Windows Server 2003 R2"}},
               "운영체제 : Microsoft Windows Server 2003 R2 Datacenter x64 Edition 64비트 5.2 (빌드번호 3790)",
               "Service Pack 2", 5, 2, 0},
        OsCase{"Server2003StandardX64", Machine(5, 2, 3790, 2, 3, "x64"), {},
               "운영체제 : Microsoft Windows Server 2003 Standard x64 Edition 64비트 5.2 (빌드번호 3790)",
               "Service Pack 2", 5, 2, 0},
        OsCase{"Server2003EnterpriseItanium", Machine(5, 2, 3790, 2, 3, "x86"), {Suite("Enterprise"), Architecture("IA64")},
               "운영체제 : Microsoft Windows Server 2003 Enterprise Edition for Itanium-based Systems 64비트 5.2 "
               "(빌드번호 3790)",
               "Service Pack 2", 5, 2, 0},
        OsCase{"StorageServer2003", Machine(5, 2, 3790, 0, 3, "x86"), {Suite("Storage Server")},
               "운영체제 : Microsoft Windows Storage Server 2003 Standard Edition 32비트 5.2 (빌드번호 3790)", "", 5,
               2, 0},
        OsCase{"HomeServer", Machine(5, 2, 3790, 2, 3, "x86"), {Suite("WH Server")},
               "운영체제 : Microsoft Windows Home Server Standard Edition 32비트 5.2 (빌드번호 3790)", "Service Pack 2",
               5, 2, 0},
        OsCase{"WindowsXpProfessionalX64", Machine(5, 2, 3790, 2, 1, "x64"), {},
               "운영체제 : Microsoft Windows XP Professional x64 Edition  64비트 5.2 (빌드번호 3790)", "Service Pack 2",
               5, 2, 0},
        OsCase{"VistaBusiness", Machine(6, 0, 6002, 2, 1, "x86"), {},
               "운영체제 : Microsoft Windows Vista Business Edition 32비트 6.0 (빌드번호 6002)", "Service Pack 2", 6, 0,
               1},
        OsCase{"Server2008EnterpriseX64", Machine(6, 0, 6001, 1, 3, "x64"), {Edition("ServerEnterprise")},
               "운영체제 : Microsoft Windows Server 2008 Enterprise Edition 64비트 6.0 (빌드번호 6001)",
               "Service Pack 1", 6, 0, 1},
        OsCase{"Windows7UltimateX64", Machine(6, 1, 7601, 1, 1, "x64"), {Edition("Ultimate")},
               "운영체제 : Microsoft Windows 7 Ultimate Edition 64비트 6.1 (빌드번호 7601)", "Service Pack 1", 6, 1, 1},
        // Professional has a product type of its own that the edition table
        // does not list.
        OsCase{"Windows7Professional", Machine(6, 1, 7600, 0, 1, "x86"), {},
               "운영체제 : Microsoft Windows 7  32비트 6.1 (빌드번호 7600)", "", 6, 1, 1},
        OsCase{"Server2008R2Datacenter", Machine(6, 1, 7601, 1, 3, "x64"), {Edition("ServerDatacenter")},
               "운영체제 : Microsoft Windows Server 2008 R2 Datacenter Edition 64비트 6.1 (빌드번호 7601)",
               "Service Pack 1", 6, 1, 1},
        OsCase{"Windows8", Machine(6, 2, 9200, 0, 1, "x64"), {Edition("Core")},
               "운영체제 : Microsoft Above Windows 7  32비트 6.2 (빌드번호 9200)", "", 6, 2, 1},
        OsCase{"Windows10", Machine(10, 0, 19045, 0, 1, "x64"), {Edition("Professional")},
               "운영체제 : Microsoft   32비트 10.0 (빌드번호 19045)", "", 10, 0, 1},
        OsCase{"Windows98SecondEdition",
               Machine(6, 1, 7601, 1, 1, "x86"),
               {{RegEdit::kDeleteKey, "SOFTWARE\\Microsoft\\Windows NT", "CurrentVersion", ""},
                {RegEdit::kString, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.10.2222"},
                {RegEdit::kString, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SubVersionNumber", " A "}},
               "운영체제 : Microsoft Windows 98 SE 32비트 4.10 (빌드번호 )", "", 4, 10, 0}),
    [](const ::testing::TestParamInfo<OsCase>& info) { return info.param.name; });

struct LanguageCase {
  const char* name;
  const char* languageId;  // as Nls\Language keeps it
  const char* line;
};

class SystemAnalysisLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(SystemAnalysisLanguage, NamesTheSystemLanguageAndVariant) {
  TempPrefix prefix;
  ASSERT_TRUE(ApplyEdit(
      {RegEdit::kString, "SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "Default", GetParam().languageId}));
  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  AnalyzeUser(pInfo, report);
  EXPECT_EQ(report.LineStartingWith("언어 : "), std::string("언어 : ") + GetParam().line + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SystemAnalysisLanguage,
    ::testing::Values(LanguageCase{"Korean", "0412", "KOREAN / Korean (Extended Wansung)"},
                      LanguageCase{"KoreanJohab", "0812", "KOREAN / "},
                      LanguageCase{"EnglishUs", "0409", "ENGLISH / English (USA)"},
                      LanguageCase{"SpanishHonduras", "480A", "SPANISH / Spanish (Honduras)"},
                      LanguageCase{"NorwegianNynorsk", "0814", "NORWEGIAN / Norwegian (Nynorsk)"},
                      LanguageCase{"SerbianUnlistedVariant", "041A", "SERBIAN / "},
                      LanguageCase{"CzechWithoutVariants", "0405", "CZECH / CZECH"},
                      LanguageCase{"Neutral", "0000", "NEUTRAL / NEUTRAL"},
                      LanguageCase{"Invariant", "007F", "INVARIANT / INVARIANT"},
                      LanguageCase{"Unlisted", "0417", " / "}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) { return info.param.name; });

struct ProcessorCase {
  const char* name;
  std::vector<RegEdit> edits;
  bool bNamed;  // whether the name and the count are reported
};

class SystemAnalysisProcessor : public ::testing::TestWithParam<ProcessorCase> {};

// The first value that cannot be read (missing, or too long for its buffer)
// leaves the processor unnamed and uncounted.
TEST_P(SystemAnalysisProcessor, NamesTheProcessorOnlyWhenEveryValueReads) {
  TempPrefix prefix;
  ASSERT_TRUE(ApplyEdit({RegEdit::kString, kProcessor, "ProcessorNameString", "Vamo Test CPU @ 2.40GHz"}));
  for (const RegEdit& edit : GetParam().edits) ASSERT_TRUE(ApplyEdit(edit));
  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  AnalyzeUser(pInfo, report);
  const std::string expected =
      GetParam().bNamed ? "프로세서 : Vamo Test CPU @ 2.40GHz (" + std::to_string(platform::GetProcessorCount()) +
                              " CPUs)\r\n"
                        : "프로세서 :  (0 CPUs)\r\n";
  EXPECT_EQ(report.LineStartingWith("프로세서 : "), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SystemAnalysisProcessor,
    ::testing::Values(
        ProcessorCase{"AllValues", {}, true},
        ProcessorCase{"NoVendor", {{RegEdit::kDeleteValue, kProcessor, "VendorIdentifier", ""}}, false},
        ProcessorCase{"NoClockSpeed", {{RegEdit::kDeleteValue, kProcessor, "~MHz", ""}}, false},
        ProcessorCase{"NoName", {{RegEdit::kDeleteValue, kProcessor, "ProcessorNameString", ""}}, false},
        ProcessorCase{"NoKey", {{RegEdit::kDeleteKey, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor", "0", ""}},
                      false},
        // 63 characters and the terminator fill the 128-byte buffer; 64 do not fit.
        ProcessorCase{"VendorFillsTheBuffer", {{RegEdit::kString, kProcessor, "VendorIdentifier", std::string(63, 'V')}},
                      true},
        ProcessorCase{"VendorTooLong", {{RegEdit::kString, kProcessor, "VendorIdentifier", std::string(64, 'V')}},
                      false},
        ProcessorCase{"ClockSpeedAsLongText", {{RegEdit::kString, kProcessor, "~MHz", "2400 MHz"}}, false}),
    [](const ::testing::TestParamInfo<ProcessorCase>& info) { return info.param.name; });

uint64_t MemInfoKilobytes(const std::string& key) {
  std::ifstream file("/proc/meminfo");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stoull(line.substr(key.size() + 1));
  }
  return 0;
}

// The memory lines carry this machine's real figures, beyond the 4 GiB a
// 32-bit count could hold, right-aligned in seven characters.
TEST(SystemAnalysis, MemoryLinesShowThisMachinesFigures) {
  TempPrefix prefix;
  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  AnalyzeUser(pInfo, report);
  for (const std::string label : {"메모리 : ", "가상메모리 : ", "페이지파일 : "}) {
    // "<label><available>MB/<total>MB\r\n", each figure right-aligned in 7.
    const std::string line = report.LineStartingWith(label);
    ASSERT_EQ(line.rfind(label, 0), 0u) << line;
    const size_t slash = line.find("MB/");
    ASSERT_NE(slash, std::string::npos) << line;
    const std::string available = line.substr(label.size(), slash - label.size());
    const std::string total = line.substr(slash + 3, line.size() - (slash + 3) - std::string("MB\r\n").size());
    EXPECT_EQ(line.substr(line.size() - 4), "MB\r\n") << line;
    for (const std::string& figure : {available, total}) {
      EXPECT_GE(figure.size(), 7u) << line;
      const size_t digits = figure.find_first_not_of(' ');
      ASSERT_NE(digits, std::string::npos) << line;
      EXPECT_EQ(figure.find_first_not_of("0123456789", digits), std::string::npos) << line;
    }
    EXPECT_LE(std::stoull(available), std::stoull(total)) << line;
  }
  const uint64_t totalMb = MemInfoKilobytes("MemTotal") >> 10;
  EXPECT_EQ(std::stoull(pInfo->m_strTotalPhysMemory), totalMb);
  EXPECT_EQ(std::stoull(pInfo->m_strTotalPageFile), (MemInfoKilobytes("MemTotal") + MemInfoKilobytes("SwapTotal")) >> 10);
  // A process's address space is far beyond 4 GiB on a 64-bit host.
  EXPECT_GT(std::stoull(pInfo->m_strTotalVirtualMemory), 4096u);
}

// The section as support staff read it: banner, markers and the lines in
// their order.
TEST(SystemAnalysis, WritesBannerAndUserSection) {
  TempPrefix prefix(Machine(6, 1, 7601, 1, 1, "x64"));
  ASSERT_TRUE(ApplyEdit(Edition("Ultimate")));
  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  ASSERT_EQ(AnalyzeUser(pInfo, report), 0);
  const CSystemInfo& info = *pInfo;
  EXPECT_EQ(info.m_strComputerName, platform::ComputerName());
  EXPECT_EQ(info.m_strUserName, platform::UserName());
  const std::vector<std::string> expected = {
      "------- 수동설치마법사 -------\r\n",
      "VamoSetup.exe : 1.0.1.1 Build 2013.04.24\r\n",
      "------- 수동설치마법사 -------\r\n",
      "------- ANALYSIS USER BEGIN -------\r\n",
      "컴퓨터 이름 : " + platform::ComputerName() + "\r\n",
      "사용자 : " + platform::UserName() + "\r\n",
      "운영체제 : Microsoft Windows 7 Ultimate Edition 64비트 6.1 (빌드번호 7601)\r\n",
      "서비스팩 : Service Pack 1\r\n",
      "언어 : KOREAN / Korean (Extended Wansung)\r\n",
      "프로세서 : " + info.m_strProcessorName + " (" + std::to_string(platform::GetProcessorCount()) + " CPUs)\r\n",
      "메모리 : " + info.m_strAvailPhysMemory + "MB/" + info.m_strTotalPhysMemory + "MB\r\n",
      "가상메모리 : " + info.m_strAvailVirtualMemory + "MB/" + info.m_strTotalVirtualMemory + "MB\r\n",
      "페이지파일 : " + info.m_strAvailPageFile + "MB/" + info.m_strTotalPageFile + "MB\r\n",
      "------- ANALYSIS USER END -------\r\n",
  };
  EXPECT_EQ(report.m_lines, expected);
  EXPECT_FALSE(info.m_strProcessorName.empty());
  EXPECT_EQ(info.m_strVersion, "6.1");
  EXPECT_EQ(info.m_strBits, "64");
}

// A machine hive that cannot be read: the version is unknown, the OS fields
// stay empty, the rest is still gathered and the phase still succeeds.
TEST(SystemAnalysis, UnreadableRegistryLeavesTheSystemFieldsEmpty) {
  TempPrefix prefix;
  {
    std::ofstream hive(prefix.Root() + "/registry/machine.reg", std::ios::trunc);
    hive << "this is no registry file\n";
  }
  CSystemInfo info;
  EXPECT_EQ(info.GatherSystemInfo(), 0);
  EXPECT_EQ(info.m_strOsName, "");
  EXPECT_EQ(info.m_strVersion, "");
  EXPECT_EQ(info.m_strBits, "");
  EXPECT_EQ(info.m_nMajorVersion, 0);
  EXPECT_EQ(info.m_strUserName, platform::UserName());
  EXPECT_FALSE(info.m_strTotalPhysMemory.empty());

  CollectingReport report;
  std::unique_ptr<CSystemInfo> pInfo;
  EXPECT_EQ(AnalyzeUser(pInfo, report), 0);
  EXPECT_EQ(report.LineStartingWith("운영체제 : "), "운영체제 : Microsoft   비트  (빌드번호 )\r\n");
}

}  // namespace
