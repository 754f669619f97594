#include "platform/debug/DebugOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/console/Console.h"

namespace platform {

namespace {

void WriteWhole(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

void WriteDebugString(std::string_view text) {
  // A progress line open on the terminal is ended first, so the trace line
  // starts a line of its own.
  console::CloseOpenLine();
  WriteWhole(STDERR_FILENO, text);
  const char* logPath = std::getenv("VAMO_DEBUG_LOG");
  if (logPath == nullptr || *logPath == '\0') return;
  // O_APPEND makes each write land whole at the end, also when several
  // processes share the log.
  int fd = open(logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  WriteWhole(fd, text);
  close(fd);
}

}  // namespace platform
