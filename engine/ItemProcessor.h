#pragma once

#include <string>

class CInstallPlan;
class CUpdater;
class IInstallHost;
class IReportSink;

// Item processing: ends the running browsers, then carries out every item of
// the plan in order, each by the processor of its kind. A failing item is
// counted and the loop goes on; only the stop flag ends it early.
class CItemProcessor {
 public:
  CItemProcessor(IInstallHost& host, IReportSink& report, const CUpdater& updater, const int& bOtherBrowser,
                 std::string strInstalledVersionFile);

  // The number of failures of items without ERROR_IGNORE (0 = all went
  // well), or -1 when the stop flag was seen before an item.
  int ProcInstallItems(CInstallPlan& plan);

 private:
  IInstallHost& m_host;
  IReportSink& m_report;
  const CUpdater& m_updater;
  const int& m_bOtherBrowser;
  std::string m_strInstalledVersionFile;
};
