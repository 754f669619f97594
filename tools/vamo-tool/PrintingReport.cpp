#include "tools/vamo-tool/PrintingReport.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/text/Format.h"
#include "tools/vamo-tool/TerminalProgress.h"

void PrintingReport::AppendLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = platform::FormatV(format, args);
  va_end(args);
  std::erase(text, '\r');
  if (m_pProgress != nullptr) {
    m_pProgress->PrintLine(text);
  } else {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
  }
}
