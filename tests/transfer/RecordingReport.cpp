#include "tests/transfer/RecordingReport.h"

#include <cstdarg>

#include "platform/text/Format.h"

void RecordingReport::AppendLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  lines.push_back(platform::FormatV(format, args));
  va_end(args);
}
