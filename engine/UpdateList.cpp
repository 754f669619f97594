#include "engine/UpdateList.h"

#include <algorithm>

#include "engine/ErrorCodes.h"
#include "engine/InstallPlan.h"
#include "platform/profile/Profile.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "system/ReportSink.h"
#include "system/Trace.h"
#include "system/Utility.h"
#include "transfer/FileDownload.h"

namespace {
constexpr char kPublicKeyType[] = "KEY";
constexpr int kParseNotVerified = -1;
constexpr int kParseEmpty = -2;
}  // namespace

CUpdateList::CUpdateList(IReportSink& report) : m_report(report) {}

int CUpdateList::ProcInstallDownload(const std::string& strUrl, const std::string& strLocalPath) {
  // A new download makes any earlier check meaningless.
  m_bVerified = false;
  Trace("ProcInstallDownload()");
  Trace("ProcInstallDownload() UpdateFilePath [%s]...", strLocalPath.c_str());
  Trace("ProcInstallDownload() m_UpdateListURL [%s]...", strUrl.c_str());
  if (FileDownload(strUrl, strLocalPath) != 0) {
    m_report.AppendLine("Updatelist File Download Fail \r\n");
    Trace("CDialogMain::ProcInstallDownload() Fail...");
    return kErrUpdateListDownload;
  }
  return 0;
}

int CUpdateList::ProcInstallVerify(const std::string& strLocalPath, std::optional<std::string_view> publicKeyPem) {
  m_bVerified = false;
  Trace("ProcInstallVerify()");
  int nResult = m_layout.Verify(strLocalPath, publicKeyPem, &m_report);
  m_bVerified = nResult == 0;
  return nResult;
}

int CUpdateList::ProcInstallParse(const std::string& strLocalPath, CInstallPlan& plan, const CPlanFolders& folders) {
  Trace("ProcInstallParse()");
  // The guard of the plan: only a list that passed its check is parsed, and
  // only the bytes that passed it.
  if (!m_bVerified) {
    Trace("ProcInstallParse() _tfopen Fail... [%s]...", strLocalPath.c_str());
    return kParseNotVerified;
  }
  const platform::profile::Source list = m_layout.IniSource();
  platform::profile::GetString(list, "GENERAL", "VERSION");  // read, drives nothing
  const size_t nLength = m_layout.ListLength();
  if (nLength == 0) {
    Trace("ProcInstallParse() Size is 0... [%s]...", strLocalPath.c_str());
    return kParseEmpty;
  }
  const std::u16string names = platform::profile::GetSectionNames(list, nLength);
  for (const std::string& name : platform::profile::SplitNulList(names)) {
    Trace("ProcInstallParse() Section [%s]...", name.c_str());
    plan.ProcInstallAddList(list, name, folders);
  }
  CUtility::DeleteFile(strLocalPath);
  // Parsed once: a second parse needs a new download and check.
  m_bVerified = false;
  return 0;
}

std::optional<std::string> CUpdateList::PublicKeyFromResources() {
  auto key = platform::FindModuleResource(platform::ResourceName(kPublicKeyType), platform::ResourceName(IDR_PUBLIC_KEY));
  if (!key) return std::nullopt;
  auto end = std::find(key->begin(), key->end(), uint8_t{0});
  return std::string(key->begin(), end);
}
