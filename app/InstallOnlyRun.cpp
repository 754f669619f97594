#include "app/InstallOnlyRun.h"

CInstallOnlyRun::CInstallOnlyRun(platform::gui::MessageTarget* pWindow)
    : CSetupDriver(pWindow), m_procedure(*this, m_setupReport, m_errorInfo, m_systemInfo, m_bOtherBrowser) {}

// The worker calls the phases above; it must end while they still exist.
CInstallOnlyRun::~CInstallOnlyRun() { StopWorker(); }

int CInstallOnlyRun::ProcInstall() { return m_procedure.ProcInstall(); }
