#pragma once

#include <memory>

#include "diagnostics/SystemInfo.h"
#include "system/ReportSink.h"

// The first analysis phase: makes the system record (stored in pSystemInfo,
// which the run owns), gathers it and writes the report's banner and the
// user-and-system section. It cannot fail: what could not be found is
// written empty. Returns 0.
int AnalyzeUser(std::unique_ptr<CSystemInfo>& pSystemInfo, IReportSink& report);
