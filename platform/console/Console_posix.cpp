#include "platform/console/Console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::console {

namespace {

int Descriptor(StdStream stream) { return stream == StdStream::kOutput ? STDOUT_FILENO : STDERR_FILENO; }

volatile sig_atomic_t g_interrupted = 0;

// Runs in the signal's context: only a flag and the default action again.
void OnInterrupt(int signal) {
  g_interrupted = 1;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

bool IsTerminal(StdStream stream) {
  if (::isatty(Descriptor(stream)) != 1) return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

void WriteText(StdStream stream, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(Descriptor(stream), text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
}

int TerminalColumns(StdStream stream) {
  struct winsize size {};
  if (::ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void WatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

}  // namespace platform::console
