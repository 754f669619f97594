#include "tests/support/PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

using namespace std::chrono_literals;

PrivateXServer::PrivateXServer(const std::string& screen) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    m_strError = "pipe failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The server writes its display number to descriptor 3.
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  std::vector<std::string> argv{"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) m_pid = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (m_pid <= 0) {
    m_strError = "Xvfb could not be started (is the xvfb package installed?)";
    close(fds[0]);
    return;
  }
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof(buffer));
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    m_strError = "Xvfb did not report a display within 15 s";
    return;
  }
  m_strDisplay = ":" + number.substr(0, number.find('\n'));
}

PrivateXServer::~PrivateXServer() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  int status = 0;
  while (waitpid(m_pid, &status, WNOHANG) != m_pid) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(10ms);
  }
}
