#pragma once

#include "system/ReportSink.h"

class TerminalProgress;

// A report that prints its lines as they are written, with the report's
// CR LF as a plain line end: below the progress view when there is one,
// else straight to standard output.
class PrintingReport : public IReportSink {
 public:
  explicit PrintingReport(TerminalProgress* pProgress = nullptr) : m_pProgress(pProgress) {}
  void AppendLine(const char* format, ...) override __attribute__((format(printf, 2, 3)));

 private:
  TerminalProgress* m_pProgress;
};
