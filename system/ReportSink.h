#pragma once

// Where operations below the engine write their setup-report lines (the
// download, file verification). The setup report implements it; an operation
// that runs without a report (the quiet download) gets none.
class IReportSink {
 public:
  virtual ~IReportSink() = default;
  // printf rules, %s takes UTF-8; the caller puts "\r\n" in the format.
  virtual void AppendLine(const char* format, ...) __attribute__((format(printf, 2, 3))) = 0;
};
