#include "engine/InstallPlan.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/ItemStep.h"
#include "engine/RegistryItemProcessor.h"

#include "engine/ErrorCodes.h"
#include "engine/ErrorInfo.h"
#include "engine/PathVariables.h"
#include "engine/SetupReport.h"
#include "platform/registry/Registry.h"
#include "platform/sysinfo/KnownFolders.h"
#include "system/SetupFolders.h"
#include "tests/engine/InstallTestSupport.h"

namespace {

using platform::GetKnownFolder;
using platform::KnownFolder;

struct InstallPlanTest : ::testing::Test {
  // Builds the plan from the INI text as the parser does: one call per
  // section, in file order.
  void Build(const std::string& ini, bool bVista = true) {
    folders = {CSetupFolders::InstallFolder(), CSetupFolders::TempFolder(), bVista};
    auto list = platform::profile::Source::Text(ini);
    for (const std::string& name : platform::profile::SplitNulList(platform::profile::GetSectionNames(list, 65536))) {
      plan.ProcInstallAddList(list, name, folders);
    }
  }
  const CInstallItem& Only() {
    EXPECT_EQ(plan.Count(), 1);
    return plan.Item(0);
  }

  TempPrefix prefix;
  CPlanFolders folders;
  CInstallPlan plan;
};

struct TargetCase {
  const char* strLabel;
  const char* strKeys;  // INSTALL_PATH / INSTALL_PATH_VISTA lines
  bool bVista;
  std::string (*expectedFolder)();
};

class TargetPaths : public InstallPlanTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(TargetPaths, ResolveVariablesAndTheVistaPath) {
  Build("[x.dll]\r\nTYPE=FILE\r\n" + std::string(GetParam().strKeys), GetParam().bVista);
  EXPECT_EQ(Only().m_strInstallFullPath, GetParam().expectedFolder() + "\\x.dll");
  EXPECT_EQ(Only().m_strInstallPath, GetParam().expectedFolder());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TargetPaths,
    ::testing::Values(
        TargetCase{"System", "INSTALL_PATH=%System%\r\n", true, [] { return std::string("C:\\Windows\\System32"); }},
        TargetCase{"NoPathIsTheInstallFolder", "", true, [] { return CSetupFolders::InstallFolder(); }},
        TargetCase{"VistaPathOnVista", "INSTALL_PATH=%Windows%\r\nINSTALL_PATH_VISTA=%LocalLow%\\Sub\r\n", true,
                   [] { return GetKnownFolder(KnownFolder::kLocalAppDataLow) + "\\Sub"; }},
        TargetCase{"VistaPathIgnoredBefore", "INSTALL_PATH=%Windows%\r\nINSTALL_PATH_VISTA=%LocalLow%\\Sub\r\n",
                   false, [] { return std::string("C:\\Windows"); }},
        TargetCase{"OtherCaseStays", "INSTALL_PATH=%system%\\x\r\n", true,
                   [] { return std::string("%system%\\x"); }},
        TargetCase{"ProgramFilesAndAxPath", "INSTALL_PATH=%Program Files%\\%AX Path%\r\n", true,
                   [] { return std::string("C:\\Program Files\\C:\\Windows\\Downloaded Program Files"); }},
        TargetCase{"AppDataAndAppPath", "INSTALL_PATH=%AppData%|%App Path%\r\n", true,
                   [] {
                     return GetKnownFolder(KnownFolder::kLocalAppData) + "|" +
                            GetKnownFolder(KnownFolder::kLocalAppData);
                   }},
        TargetCase{"AllUsersProfile", "INSTALL_PATH=%AllUsersProfile%\\Vamo\r\n", true,
                   [] { return std::string("C:\\ProgramData\\Vamo"); }}),
    [](const auto& info) { return std::string(info.param.strLabel); });

TEST_F(InstallPlanTest, EveryKindReadsItsKeys) {
  Build(
      "[GENERAL]\r\nVERSION=1.0\r\n"
      "[b.dll]\r\nTYPE=FILE\r\nPLATFORM=1024\r\nNPFLAG=TRUE\r\nVERSION=1,0,0,2\r\nREGISTER=TRUE\r\nRUN=True\r\n"
      "RUNSILENT=TRUE\r\nCOMPRESSED=TRUE\r\nERROR_IGNORE=TRUE\r\nSECURE_DATA=abc==\r\nCLSID={1}\r\nSIZE=10\r\n"
      "DOWNLOAD_FULL_URL=http://h/dir/setup.cab\r\n"
      "[reg]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_LOCAL_MACHINE\r\nSUB_KEY=Software\\Vamo\r\nREGISTRY=REG_STR\r\n"
      "KEY_NAME=Path\r\nKEY_VALUE=%System%\\vamo.dll\r\n"
      "[empty-reg]\r\nTYPE=REGISTRY\r\nKEY_VALUE=\r\n"
      "[lower]\r\nTYPE=registry\r\n"
      "[cab]\r\nTYPE=CABINET\r\nDOWNLOAD_FULL_URL=http://h/a/plugin.cab\r\nERROR_IGNORE=TRUE\r\n");
  ASSERT_EQ(plan.Count(), 5);  // GENERAL makes no item

  const CInstallItem& file = plan.Item(0);
  EXPECT_EQ(file.m_strName, "b.dll");
  EXPECT_EQ(file.m_strPlatform, "1024");
  EXPECT_EQ(file.m_bNpFlag, 1);
  EXPECT_EQ(file.m_bRegister, 1);
  EXPECT_EQ(file.m_bRun, 0) << "only the exact TRUE is on";
  EXPECT_EQ(file.m_bRunSilent, 1);
  EXPECT_EQ(file.m_bCompressed, 1);
  EXPECT_EQ(file.m_bErrorIgnore, 1);
  EXPECT_EQ(file.m_strSecureData, "abc==");
  EXPECT_EQ(file.m_strClsid, "{1}");
  EXPECT_EQ(file.m_strDownloadFullPath, CSetupFolders::TempFolder() + "\\setup.cab");

  const CInstallItem& reg = plan.Item(1);
  EXPECT_EQ(reg.m_strType, "REGISTRY");
  EXPECT_EQ(reg.m_strKeyValue, "C:\\Windows\\System32\\vamo.dll");
  EXPECT_EQ(reg.m_strInstallFullPath, "");
  EXPECT_EQ(plan.Item(2).m_strKeyValue, "") << "an empty value is not the install folder";

  EXPECT_EQ(plan.Item(3).m_strType, "registry");
  EXPECT_EQ(plan.Item(3).m_strInstallFullPath, CSetupFolders::InstallFolder() + "\\lower") << "a file item";

  const CInstallItem& cab = plan.Item(4);
  EXPECT_EQ(cab.m_strDownloadFullPath, CSetupFolders::TempFolder() + "\\plugin.cab");
  EXPECT_EQ(cab.m_strDownloadFolder, CSetupFolders::TempFolder());
  EXPECT_EQ(cab.m_bErrorIgnore, 1);
}

TEST_F(InstallPlanTest, DirectoryCheckMakesFileFoldersOnly) {
  Build(
      "[a.dll]\r\nTYPE=FILE\r\nINSTALL_PATH=%Windows%\\VamoA\\Deep\r\n"
      "[skip.dll]\r\nTYPE=FILE\r\nPLATFORM=256\r\nINSTALL_PATH=%Windows%\\VamoOtherPlatform\r\n"
      "[np.dll]\r\nTYPE=FILE\r\nNPFLAG=TRUE\r\nINSTALL_PATH=%Windows%\\VamoNp\r\n"
      "[old.dll]\r\nTYPE=REMOVE\r\nINSTALL_PATH=%Windows%\\VamoRemove\r\n"
      "[untyped.dll]\r\nINSTALL_PATH=%Windows%\\VamoUntyped\r\n");
  CSetupReport report;
  CErrorInfo errorInfo;
  EXPECT_EQ(plan.ProcInstallDirectoryCheck(0, report, errorInfo), 0);
  EXPECT_TRUE(WinExists("C:\\Windows\\VamoA\\Deep"));
  EXPECT_TRUE(WinExists("C:\\Windows\\VamoOtherPlatform")) << "the platform filter is not applied here";
  EXPECT_FALSE(WinExists("C:\\Windows\\VamoNp")) << "no other browser: the NPFLAG item is left out";
  EXPECT_FALSE(WinExists("C:\\Windows\\VamoRemove"));
  EXPECT_FALSE(WinExists("C:\\Windows\\VamoUntyped")) << "only the exact FILE type takes part";

  EXPECT_EQ(plan.ProcInstallDirectoryCheck(1, report, errorInfo), 0);
  EXPECT_TRUE(WinExists("C:\\Windows\\VamoNp"));
  EXPECT_EQ(report.TextUtf8(), "");
}

TEST_F(InstallPlanTest, DirectoryCheckStopsAtAFolderThatCannotBeUsed) {
  Build(
      "[a.dll]\r\nTYPE=FILE\r\nINSTALL_PATH=%Windows%\\Fine\r\n"
      "[b.dll]\r\nTYPE=FILE\r\nINSTALL_PATH=Q:\\Nowhere\r\n"
      "[c.dll]\r\nTYPE=FILE\r\nINSTALL_PATH=%Windows%\\NeverReached\r\n");
  CSetupReport report;
  CErrorInfo errorInfo;
  EXPECT_EQ(plan.ProcInstallDirectoryCheck(0, report, errorInfo), kErrFolderAccess);
  EXPECT_EQ(report.TextUtf8(), "Install Folder [Q:\\Nowhere\\] Access Fail...\r\n");
  EXPECT_EQ(errorInfo.m_nCode, kErrFolderAccess);
  EXPECT_EQ(errorInfo.m_strDetail, "Q:\\Nowhere\\");
  EXPECT_TRUE(WinExists("C:\\Windows\\Fine"));
  EXPECT_FALSE(WinExists("C:\\Windows\\NeverReached"));
}

TEST_F(InstallPlanTest, ExpandingReplacesEveryOccurrenceOnce) {
  const std::string install = CSetupFolders::InstallFolder();
  EXPECT_EQ(CPathVariables::ExpandPathVariables("", install), install);
  EXPECT_EQ(CPathVariables::ExpandPathVariables("%Windows%;%Windows%", install), "C:\\Windows;C:\\Windows");
  EXPECT_EQ(CPathVariables::ExpandPathVariables("%Windows", install), "%Windows");
  EXPECT_EQ(CPathVariables::ExpandPathVariables("plain", install), "plain");
}

// An update list saved in Notepad on a Korean PC is in code page 949. Its
// registry item goes through the real parser, the item step and the
// registry writer; the hive must hold the value's UTF-16 bytes. On an
// English system the same bytes are code page 1252, as Windows reads them.
struct AnsiListCase {
  const char* strLabel;
  uint16_t systemLanguage;
  const char* strSection;  // the item's name as that system reads it
  const char* strHiveLine;
};

class AnsiUpdateList : public ::testing::TestWithParam<AnsiListCase> {
 protected:
  AnsiUpdateList() : prefix(Options()) {}
  static platform::PrefixOptions Options() {
    platform::PrefixOptions options;
    options.systemLanguage = GetParam().systemLanguage;
    return options;
  }
  // The value line of the machine hive, without the name.
  std::string HiveLine(const std::string& keyPath, const std::string& valueName) const {
    std::string hive = ReadHostFile(prefix.Root() + "/registry/machine.reg");
    size_t block = hive.find("[HKEY_LOCAL_MACHINE\\" + keyPath + "]\n");
    if (block == std::string::npos) return "<no key>";
    std::string needle = "\n\"" + valueName + "\"=";
    size_t at = hive.find(needle, block);
    if (at == std::string::npos || at > hive.find("\n[", block + 1)) return "<no value>";
    at += needle.size();
    return hive.substr(at, hive.find('\n', at) - at);
  }

  TempPrefix prefix;
};

TEST_P(AnsiUpdateList, RegistryItemWritesTheValueAsWindowsReadsIt) {
  const AnsiListCase& c = GetParam();
  // "한글" is C7 D1 B1 DB in code page 949.
  const std::string list =
      "[GENERAL]\r\nVERSION=1.0\r\n"
      "[\xC7\xD1\xB1\xDB]\r\nTYPE=REGISTRY\r\nROOT_KEY=HKEY_LOCAL_MACHINE\r\nSUB_KEY=SOFTWARE\\Vamo\r\n"
      "REGISTRY=REG_STR\r\nKEY_NAME=Folder\r\nKEY_VALUE=C:\\\xC7\xD1\xB1\xDB\r\n";
  CPlanFolders folders{CSetupFolders::InstallFolder(), CSetupFolders::TempFolder(), true};
  CInstallPlan plan;
  auto source = platform::profile::Source::Text(list);
  for (const std::string& name : platform::profile::SplitNulList(platform::profile::GetSectionNames(source, 65536))) {
    plan.ProcInstallAddList(source, name, folders);
  }
  ASSERT_EQ(plan.Count(), 1);
  CInstallItem& item = plan.Item(0);
  EXPECT_EQ(item.m_strName, c.strSection);

  CRecordingHost host;
  CSetupReport report;
  int nFailures = 0;
  CItemStep step(host, report, nFailures);
  step.Begin(item, 1, 1);
  CRegistryItemProcessor().Process(step);
  EXPECT_EQ(nFailures, 0);
  EXPECT_EQ(HiveLine("SOFTWARE\\Vamo", "Folder"), c.strHiveLine);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, AnsiUpdateList,
    ::testing::Values(AnsiListCase{"Korean", 0x0412, "한글", "hex(1):43,00,3a,00,5c,00,5c,d5,00,ae"},
                      AnsiListCase{"English", 0x0409, "ÇÑ±Û", "hex(1):43,00,3a,00,5c,00,c7,00,d1,00,b1,00,db,00"}),
    [](const ::testing::TestParamInfo<AnsiListCase>& info) { return std::string(info.param.strLabel); });

}  // namespace
