#pragma once

#include <string>
#include <vector>

#include "system/ReportSink.h"

// A report that keeps its lines, for asserting on them.
class RecordingReport : public IReportSink {
 public:
  void AppendLine(const char* format, ...) override __attribute__((format(printf, 2, 3)));
  std::vector<std::string> lines;
};
