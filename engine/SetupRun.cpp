#include "engine/SetupRun.h"

#include "diagnostics/SystemAnalysis.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "system/Trace.h"

namespace {

std::string HostOr(const std::optional<std::string>& strOverride, unsigned nStringId) {
  return strOverride ? *strOverride : platform::LoadModuleString(nStringId);
}

}  // namespace

CSetupRun::CSetupRun(platform::gui::MessageTarget* pWindow, const CSetupRunOptions& options)
    : CSetupDriver(pWindow, InitialState()),
      m_networkAnalysis(m_setupReport, *this, HostOr(options.strCarrierWebHost, IDS_CARRIER_WEB_HOST),
                        HostOr(options.strPaymentServer, IDS_PAYMENT_SERVER_HOST)),
      m_options(options) {
  if (!m_options.bPauses) {
    m_nPhasePauseMs = 0;
    m_networkAnalysis.m_nStepPauseMs = 0;
    m_browserAnalysis.m_nStepPauseMs = 0;
  }
}

CSetupRun::~CSetupRun() { StopWorker(); }

CSetupState CSetupRun::InitialState() {
  CSetupState state;
  state.m_strStatus = kInitialStatusText;
  state.m_strCountLabel = kInitialCountLabel;
  return state;
}

int CSetupRun::AnalyzeUser() {
  // The procedure of an earlier run reads the record it was given; it goes
  // first, so that it never outlives that record.
  m_pInstallProcedure.reset();
  return ::AnalyzeUser(m_pSystemInfo, m_setupReport);
}

int CSetupRun::AnalyzeNetwork() { return m_networkAnalysis.AnalyzeNetwork(); }

int CSetupRun::AnalyzeBrowsers() { return m_browserAnalysis.AnalyzeBrowsers(m_setupReport, m_bOtherBrowser); }

int CSetupRun::ProcInstall() {
  if (!m_pSystemInfo) {
    // Phase 0 always comes first; should it not have, the filter still
    // reads this machine, not an empty record.
    m_pSystemInfo = std::make_unique<CSystemInfo>();
    m_pSystemInfo->GatherSystemInfo();
  }
  m_pInstallProcedure =
      std::make_unique<CInstallProcedure>(*this, m_setupReport, m_errorInfo, *m_pSystemInfo, m_bOtherBrowser);
  m_pInstallProcedure->m_strUpdateListUrlOverride = m_options.strUpdateListUrl;
  if (!m_options.bPauses) m_pInstallProcedure->m_nStepPauseMs = 0;
  return m_pInstallProcedure->ProcInstall();
}

void CSetupRun::OnSetupComplete() {
  Trace("OnComplete...\n");
  StopWorker();
}

std::string CSetupRun::OnSetupError() {
  Trace("OnError...\n");
  StopWorker();
  std::string strText = ErrorMessageText();
  m_setupReport.AppendLine("%s", strText.c_str());
  SetErrorMode(true);
  return strText;
}

std::string CSetupRun::ErrorMessageText() const {
  if (m_errorInfo.m_strDetail.empty()) return m_errorInfo.m_strMessage;
  return m_errorInfo.m_strMessage + " (" + m_errorInfo.m_strDetail + ")";
}
