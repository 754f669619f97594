#pragma once

// Starting, ending and watching the programs a benchmark measures: spawned
// with extra environment, ended by their own PID, their peak memory read
// from /proc while they run.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

// With bQuiet, its output goes nowhere. `extraEnv` (NAME=value) is put over
// this process's environment.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
                   bool bQuiet = false) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const bool bOverridden = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& over) {
      return entry.compare(0, over.find('=') + 1, over, 0, over.find('=') + 1) == 0;
    });
    if (!bOverridden) env.push_back(entry);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (bQuiet) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// SIGTERM, then SIGKILL after two seconds; reaped either way.
inline void End(pid_t pid) {
  using namespace std::chrono_literals;
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(10ms);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Runs a program to its end; its exit status, or -1.
inline int Run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
               bool bQuiet = false) {
  const pid_t pid = Spawn(argv, extraEnv, bQuiet);
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a shell command printed on its standard output, without the last
// line end.
inline std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

// The PID (in this bench's namespace) of a process running `program`; with
// nsPid > 0, the one that is nsPid in its own PID namespace. -1 when none.
inline pid_t HostPidOf(const std::string& program, long nsPid = 0) {
  std::error_code ec;
  const std::filesystem::path wanted = std::filesystem::canonical(program, ec);
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code linkError;
    if (std::filesystem::read_symlink(entry.path() / "exe", linkError) != wanted) continue;
    std::ifstream status(entry.path() / "status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("NSpid:", 0) != 0) continue;
      // "NSpid: <here> ... <innermost>": only processes in a namespace below.
      std::vector<long> ids;
      for (const char* p = line.c_str() + 6; *p;) {
        char* end = nullptr;
        const long id = std::strtol(p, &end, 10);
        if (end == p) break;
        ids.push_back(id);
        p = end;
      }
      if (ids.size() >= 2 && (nsPid <= 0 || ids.back() == nsPid)) return static_cast<pid_t>(ids.front());
    }
  }
  return -1;
}

// The peak resident memory (VmHWM) of a running process in KiB, or -1.
inline long PeakKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace bench
