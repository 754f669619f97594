#include "platform/console/Console.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::console {

namespace {

int Descriptor(StdStream stream) { return stream == StdStream::kOutput ? STDOUT_FILENO : STDERR_FILENO; }

// The holder is called with the lock held, so ClearOpenLine cannot return
// while a CloseLine on the same holder is still running.
std::mutex& HolderLock() {
  static std::mutex lock;
  return lock;
}
IOpenLine* g_holder = nullptr;

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

int TerminalColumns(StdStream stream) {
  struct winsize size {};
  if (::ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void SetOpenLine(IOpenLine* owner) {
  std::lock_guard<std::mutex> guard(HolderLock());
  g_holder = owner;
}

void ClearOpenLine(IOpenLine* owner) {
  std::lock_guard<std::mutex> guard(HolderLock());
  if (g_holder == owner) g_holder = nullptr;
}

void CloseOpenLine() {
  std::lock_guard<std::mutex> guard(HolderLock());
  if (g_holder != nullptr) g_holder->CloseLine();
}

void WatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

}  // namespace platform::console
