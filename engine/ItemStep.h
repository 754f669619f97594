#pragma once

#include <string>

#include "engine/InstallItem.h"
#include "transfer/FileDownload.h"

class IInstallHost;
class IReportSink;

// The lines one failing step of an item writes, once for an item with
// ERROR_IGNORE (the "무시" form) and once for an item without it. A null
// report line means the step writes none; bBar sends the word to the percent
// line as well (done 100, no sub-label); bTrace writes "<word> [%d]".
struct CFailureText {
  const char* strReport;
  const char* strWord;
  bool bBar;
  bool bTrace;
};
struct CStepFailure {
  CFailureText ignored;
  CFailureText counted;
};

// One item on its way through item processing: the item, its position in
// the plan, and the lines every step writes. "Show" puts a status word on the
// count line with the item's position, "Bar" a word on the percent line out
// of 100. It also keeps the failure count of the whole run.
class CItemStep {
 public:
  CItemStep(IInstallHost& host, IReportSink& report, int& nFailures);

  // Moves on to the item at the 1-based position of nCount items.
  void Begin(CInstallItem& item, int nPosition, int nCount);

  void Show(const char* strWord);
  void Bar(const char* strWord, const std::string& strSubLabel, int nDone);
  void Report(const char* strLine);

  // A failed step: the ignored or counted lines of the failure, and for an
  // item without ERROR_IGNORE the result code kept in the item and one more
  // failure counted. nTraceValue is what the trace line shows.
  void Fail(const CStepFailure& failure, int nTraceValue, int nCode);

  // Download progress into the percent line, for FileDownload's item form.
  DownloadProgress Progress();

  CInstallItem& Item() { return *m_pItem; }
  IReportSink& ReportSink() { return m_report; }

 private:
  IInstallHost& m_host;
  IReportSink& m_report;
  int& m_nFailures;
  CInstallItem* m_pItem = nullptr;
  int m_nPosition = 0;
  int m_nCount = 0;
};
