#include "system/ProcessTerminator.h"

#include "platform/core/Win32Error.h"
#include "platform/process/Process.h"
#include "platform/text/Utf.h"

int CProcessTerminator::TerminateProcesses(std::string_view imageName) {
  if (imageName.empty()) return 0;
  auto processes = platform::ListProcesses();
  if (!processes) return 0;
  for (const platform::ProcessEntry& process : *processes) {
    if (!platform::EqualsIgnoreCase(process.imageName, imageName)) continue;
    platform::Win32Error err = platform::TerminateProcess(process.pid);
    // A process that ended by itself since the list was taken is as good as
    // ended by us.
    if (err == platform::kErrorSuccess || err == platform::kErrorInvalidParameter) continue;
    // One we may not touch could not have been opened for termination; the
    // caller sees what TerminateProcess on the failed open handle reports.
    if (err == platform::kErrorAccessDenied) err = platform::kErrorInvalidHandle;
    platform::SetLastError(err);
    return static_cast<int>(err);
  }
  return 1;
}
