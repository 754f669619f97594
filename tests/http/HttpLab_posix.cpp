#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sim/Prefix.h"
#include "tests/http/HttpLab.h"
#include "tests/support/TempPrefix.h"

extern char** environ;

namespace {

class LabProcess {
 public:
  LabProcess() {
    std::string script = VAMO_HTTP_LAB_SCRIPT;
    std::string pki = VAMO_HTTP_PKI_DIR;
    std::vector<std::string> args = {"python3", script, "--pki", pki};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    // The servers' tracebacks of refused handshakes are expected noise.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      throw std::runtime_error("cannot start the HTTP lab");
    }
    m_pid = pid;
    std::string text;
    char c = 0;
    while (!text.ends_with("READY\n") && read(fds[0], &c, 1) == 1) text += c;
    close(fds[0]);
    if (!text.ends_with("READY\n")) throw std::runtime_error("the HTTP lab did not start");
    std::istringstream lines(text);
    m_lab = ParseHttpLab(lines, "");
  }
  ~LabProcess() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      int status = 0;
      waitpid(m_pid, &status, 0);
    }
  }
  const HttpLab& Lab() const { return m_lab; }

 private:
  pid_t m_pid = -1;
  HttpLab m_lab;
};

}  // namespace

const HttpLab& SharedHttpLab() {
  static const LabProcess lab;
  return lab.Lab();
}

struct TrustedTestRoot::State {
  TempPrefix prefix;
};

TrustedTestRoot::TrustedTestRoot() : m_state(std::make_unique<State>()) {
  std::filesystem::path root = platform::PrefixCertsFolder("root");
  std::filesystem::create_directories(root);
  std::filesystem::copy_file(std::string(VAMO_HTTP_PKI_DIR) + "/ca.pem", root / "vamo-http-test.pem");
}

TrustedTestRoot::~TrustedTestRoot() = default;
