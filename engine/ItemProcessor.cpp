#include "engine/ItemProcessor.h"

#include "engine/CabinetItemProcessor.h"
#include "engine/FileItemProcessor.h"
#include "engine/InstallHost.h"
#include "engine/InstallPlan.h"
#include "engine/ItemStep.h"
#include "engine/RegistryItemProcessor.h"
#include "engine/RemoveItemProcessor.h"
#include "engine/Updater.h"
#include "system/Browsers.h"
#include "system/FirefoxPrefs.h"
#include "system/ProcessTerminator.h"
#include "system/ReportSink.h"

namespace {

constexpr char kWaiting[] = "대기중";
constexpr char kSkipped[] = "건너뛰기";
constexpr char kSkippedReport[] = "-건너뛰기\r\n";
constexpr char kItemSeparator[] = "---------------------------------------------\r\n";
constexpr int kStopped = -1;

}  // namespace

CItemProcessor::CItemProcessor(IInstallHost& host, IReportSink& report, const CUpdater& updater,
                               const int& bOtherBrowser, std::string strInstalledVersionFile)
    : m_host(host),
      m_report(report),
      m_updater(updater),
      m_bOtherBrowser(bOtherBrowser),
      m_strInstalledVersionFile(std::move(strInstalledVersionFile)) {}

int CItemProcessor::ProcInstallItems(CInstallPlan& plan) {
  // The browsers hold the plug-in's files open.
  for (const char* image : CBrowsers::ImagesInEndOrder()) CProcessTerminator::TerminateProcesses(image);

  const CRegistryItemProcessor registryItems;
  const CRemoveItemProcessor removeItems;
  const CCabinetItemProcessor cabinetItems;
  const CFileItemProcessor fileItems(m_strInstalledVersionFile);

  int nFailures = 0;
  CItemStep step(m_host, m_report, nFailures);
  const int nCount = plan.Count();
  for (int i = 0; i < nCount; ++i) {
    CInstallItem& item = plan.Item(i);
    step.Begin(item, i + 1, nCount);
    step.Show(kWaiting);
    if (m_host.IsStopRequested()) return kStopped;

    m_report.AppendLine("%s", kItemSeparator);
    m_report.AppendLine("파일 : %s\r\n", item.m_strName.c_str());
    item.m_nResult = 0;

    const bool bOtherPlatform =
        m_updater.Proc_UpdateList_CheckPlatform(CUpdater::PlatformFlags(item.m_strPlatform)) != 0;
    const bool bNoOtherBrowser = m_bOtherBrowser != 1 && item.m_bNpFlag == 1;
    if (bOtherPlatform || bNoOtherBrowser) {
      step.Show(kSkipped);
      step.Report(kSkippedReport);
      continue;
    }

    if (item.m_strType == kItemTypeRegistry) {
      registryItems.Process(step);
    } else if (item.m_strType == kItemTypeRemove) {
      removeItems.Process(step);
    } else if (item.m_strType == kItemTypeCabinet) {
      cabinetItems.Process(step);
    } else {
      fileItems.Process(step);
    }
  }

  if (m_bOtherBrowser == 1) CFirefoxPrefs::UpdatePreferences();
  return nFailures;
}
