#include "engine/InstallPlan.h"

#include "engine/ErrorCodes.h"
#include "engine/ErrorInfo.h"
#include "engine/PathVariables.h"
#include "platform/fs/Path.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "system/Utility.h"

namespace {

// A value of the update list: GetPrivateProfileStringW with an empty default
// and a buffer of 4096 characters.
constexpr size_t kValueBufferChars = 4096;
constexpr char kGeneralSection[] = "GENERAL";
constexpr char kFlagOn[] = "TRUE";

class CSectionReader {
 public:
  CSectionReader(const platform::profile::Source& list, const std::string& strSection)
      : m_list(list), m_strSection(strSection) {}
  std::string Text(const char* key) const {
    return platform::profile::GetString(m_list, m_strSection, key, "", kValueBufferChars);
  }
  // A flag is on only for exactly "TRUE".
  int Flag(const char* key) const { return Text(key) == kFlagOn ? 1 : 0; }

 private:
  const platform::profile::Source& m_list;
  const std::string& m_strSection;
};

// The local name of a download: the URL's last component (name and
// extension) split as a Windows path, in the temporary folder.
std::string DownloadPathOf(const std::string& strUrl, const std::string& strTempFolder) {
  platform::SplitPath parts = platform::SplitWindowsPath(strUrl);
  return strTempFolder + "\\" + parts.fname + parts.ext;
}

void ReadRegistryItem(const CSectionReader& section, CInstallItem& item, const CPlanFolders& folders) {
  item.m_strPlatform = section.Text("PLATFORM");
  item.m_bNpFlag = section.Flag("NPFLAG");
  item.m_strVersion = section.Text("VERSION");
  item.m_strRegistry = section.Text("REGISTRY");
  item.m_strRootKey = section.Text("ROOT_KEY");
  item.m_strSubKey = section.Text("SUB_KEY");
  item.m_strKeyName = section.Text("KEY_NAME");
  item.m_strKeyValue = section.Text("KEY_VALUE");
  item.m_bErrorIgnore = section.Flag("ERROR_IGNORE");
  // An empty value stays empty; only a given one is expanded.
  if (!item.m_strKeyValue.empty()) {
    item.m_strKeyValue = CPathVariables::ExpandPathVariables(item.m_strKeyValue, folders.m_strInstallFolder);
  }
}

void ReadCabinetItem(const CSectionReader& section, CInstallItem& item, const CPlanFolders& folders) {
  item.m_strPlatform = section.Text("PLATFORM");
  item.m_bNpFlag = section.Flag("NPFLAG");
  item.m_strVersion = section.Text("VERSION");
  item.m_strDescription = section.Text("DESCRIPTION");
  item.m_strDownloadUrl = section.Text("DOWNLOAD_FULL_URL");
  item.m_strDownloadFolder = folders.m_strTempFolder;
  item.m_bErrorIgnore = section.Flag("ERROR_IGNORE");
  item.m_strDownloadFullPath = DownloadPathOf(item.m_strDownloadUrl, folders.m_strTempFolder);
}

// File items, REMOVE items and every other type.
void ReadFileItem(const CSectionReader& section, CInstallItem& item, const CPlanFolders& folders) {
  item.m_strPlatform = section.Text("PLATFORM");
  item.m_bNpFlag = section.Flag("NPFLAG");
  item.m_strVersion = section.Text("VERSION");
  item.m_strModifiedDate = section.Text("MODIFIED_DATE");
  item.m_strSize = section.Text("SIZE");
  item.m_strClsid = section.Text("CLSID");
  item.m_strDescription = section.Text("DESCRIPTION");
  item.m_strInstallPath = section.Text("INSTALL_PATH");
  item.m_strInstallPathVista = section.Text("INSTALL_PATH_VISTA");
  item.m_strInstallFullPath.clear();
  item.m_strDownloadUrl = section.Text("DOWNLOAD_FULL_URL");
  item.m_bRegister = section.Flag("REGISTER");
  item.m_bRun = section.Flag("RUN");
  item.m_bRunSilent = section.Flag("RUNSILENT");
  item.m_bCompressed = section.Flag("COMPRESSED");
  item.m_strSecureData = section.Text("SECURE_DATA");
  item.m_bErrorIgnore = section.Flag("ERROR_IGNORE");

  item.m_strDownloadFolder = folders.m_strTempFolder;
  item.m_strDownloadFullPath = DownloadPathOf(item.m_strDownloadUrl, folders.m_strTempFolder);
  Trace("Download Full Path [%s]", item.m_strDownloadFullPath.c_str());

  if (folders.m_bVistaOrLater && !item.m_strInstallPathVista.empty()) {
    item.m_strInstallPath = item.m_strInstallPathVista;
  }
  if (item.m_strInstallPath.empty()) {
    item.m_strInstallPath = folders.m_strInstallFolder;
  } else {
    item.m_strInstallPath = CPathVariables::ExpandPathVariables(item.m_strInstallPath, folders.m_strInstallFolder);
  }
  item.m_strInstallFullPath =
      CPathVariables::ExpandPathVariables(item.m_strInstallPath, folders.m_strInstallFolder) + "\\" + item.m_strName;
}

}  // namespace

int CInstallPlan::ProcInstallAddList(const platform::profile::Source& list, const std::string& strName,
                                     const CPlanFolders& folders) {
  Trace("ProcInstallAddList() [%s]...", strName.c_str());
  if (strName == kGeneralSection) return 0;

  CSectionReader section(list, strName);
  auto item = std::make_unique<CInstallItem>();
  item->m_strName = strName;
  item->m_strType = section.Text("TYPE");
  if (item->m_strType == kItemTypeRegistry) {
    ReadRegistryItem(section, *item, folders);
  } else if (item->m_strType == kItemTypeCabinet) {
    ReadCabinetItem(section, *item, folders);
  } else {
    ReadFileItem(section, *item, folders);
  }
  Append(std::move(item));
  return 0;
}

int CInstallPlan::ProcInstallDirectoryCheck(int bOtherBrowser, IReportSink& report, CErrorInfo& errorInfo) const {
  Trace("ProcInstallDirectoryCheck()...");
  for (const auto& item : m_items) {
    if (item->m_strType != kItemTypeFile) continue;
    if (bOtherBrowser != 1 && item->m_bNpFlag == 1) continue;
    // Items for other platforms are not left out: their folders are made too.
    platform::SplitPath parts = platform::SplitWindowsPath(item->m_strInstallFullPath);
    std::string strFolder = parts.drive + parts.dir;
    Trace("ProcInstallDirectoryCheck() [%s]...", strFolder.c_str());
    CUtility::MakeFolderPath(strFolder);
    if (!CUtility::AccessTest(strFolder)) {
      report.AppendLine("Install Folder [%s] Access Fail...\r\n", strFolder.c_str());
      Trace("Install Folder [%s] Access Fail...\r\n", strFolder.c_str());
      errorInfo.SetError(kErrFolderAccess, strFolder);
      return kErrFolderAccess;
    }
  }
  return 0;
}
