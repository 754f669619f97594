#include "engine/ItemStep.h"

#include <algorithm>
#include <climits>

#include "engine/InstallHost.h"
#include "system/ReportSink.h"
#include "system/Trace.h"

namespace {
constexpr int kBarTotal = 100;

int ClampToInt(uint64_t value) { return static_cast<int>(std::min<uint64_t>(value, INT_MAX)); }
}  // namespace

CItemStep::CItemStep(IInstallHost& host, IReportSink& report, int& nFailures)
    : m_host(host), m_report(report), m_nFailures(nFailures) {}

void CItemStep::Begin(CInstallItem& item, int nPosition, int nCount) {
  m_pItem = &item;
  m_nPosition = nPosition;
  m_nCount = nCount;
}

void CItemStep::Show(const char* strWord) { m_host.SetCountProgress(strWord, m_nPosition, m_nCount); }

void CItemStep::Bar(const char* strWord, const std::string& strSubLabel, int nDone) {
  m_host.SetPercentProgress(strWord, strSubLabel, nDone, kBarTotal);
}

void CItemStep::Report(const char* strLine) { m_report.AppendLine("%s", strLine); }

void CItemStep::Fail(const CStepFailure& failure, int nTraceValue, int nCode) {
  const bool bIgnore = m_pItem->m_bErrorIgnore == 1;
  const CFailureText& text = bIgnore ? failure.ignored : failure.counted;
  if (text.strReport != nullptr) Report(text.strReport);
  Show(text.strWord);
  if (text.bBar) Bar(text.strWord, "", kBarTotal);
  if (text.bTrace) Trace("%s [%d]", text.strWord, nTraceValue);
  if (bIgnore) return;
  m_pItem->m_nResult = nCode;
  ++m_nFailures;
}

DownloadProgress CItemStep::Progress() {
  return [this](std::string_view label, std::string_view displayName, uint64_t received, uint64_t expected) {
    m_host.SetPercentProgress(std::string(label), std::string(displayName), ClampToInt(received),
                              ClampToInt(expected));
  };
}
