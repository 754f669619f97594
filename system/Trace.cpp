#include "system/Trace.h"

#include <cstdarg>
#include <string>

#include "platform/debug/DebugOutput.h"
#include "platform/text/Format.h"
#include "platform/text/Utf.h"
#include "system/SetupFolders.h"
#include "system/Settings.h"

namespace {

// The line is assembled in a buffer of 4096 UTF-16 characters: the prefix,
// the message and the line feed must fit with the terminating NUL.
constexpr size_t kLineBufferChars = 4096;

bool TraceSwitchedOn() {
  return CSettings::Read(CSetupFolders::InstalledVersionFile(), "GENERAL", "DEBUG") == "TRACE";
}

}  // namespace

void Trace(const char* format, ...) {
  if (!TraceSwitchedOn()) return;
  va_list args;
  va_start(args, format);
  std::string message = platform::FormatV(format, args);
  va_end(args);
  std::string line = kTracePrefix + message;
  line = std::string(platform::TruncateUtf16(line, kLineBufferChars - 2)) + "\n";
  platform::WriteDebugString(line);
}
