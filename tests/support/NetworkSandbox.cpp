#include "tests/support/NetworkSandbox.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "tests/support/TempPrefix.h"

namespace network_sandbox {

namespace {

struct State {
  bool tried = false;
  bool entered = false;
  std::unique_ptr<TempDir> files;
};

State& GetState() {
  static State state;
  return state;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
}

bool BindFile(const std::string& source, const char* target) {
  return mount(source.c_str(), target, nullptr, MS_BIND, nullptr) == 0;
}

}  // namespace

bool Enter() {
  State& state = GetState();
  if (state.tried) return state.entered;
  state.tried = true;
  if (geteuid() != 0) return false;
  if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) return false;
  // Nothing mounted from here on may show in the machine's namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  if (mount("sysfs", "/sys", "sysfs", 0, nullptr) != 0) return false;
  state.files = std::make_unique<TempDir>();
  const std::string resolv = state.files->WriteFile("resolv.conf", "nameserver 127.0.0.1\n");
  const std::string hosts = state.files->WriteFile("hosts", "127.0.0.1 localhost\n");
  if (!BindFile(resolv, "/etc/resolv.conf") || !BindFile(hosts, "/etc/hosts")) return false;
  if (Shell("ip link set lo up") != 0) return false;
  state.entered = true;
  return true;
}

bool Entered() { return GetState().entered; }

void SetResolvConf(const std::string& text) { WriteFile(GetState().files->Path() + "/resolv.conf", text); }

void SetHosts(const std::string& text) { WriteFile(GetState().files->Path() + "/hosts", text); }

int Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WriteSysctl(const std::string& name, const std::string& value) {
  std::ofstream out("/proc/sys/" + name);
  out << value;
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace network_sandbox
