#include "tests/support/ToolRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/support/TempPrefix.h"

extern char** environ;

ToolOutput RunTool(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  return RunProgram(VAMO_TOOL_PATH, args, extraEnv);
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool bOverridden = false;
    for (const std::string& over : extra) {
      const size_t nameLength = over.find('=') + 1;
      if (entry.compare(0, nameLength, over, 0, nameLength) == 0) bOverridden = true;
    }
    if (!bOverridden) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

int SpawnToFiles(const std::vector<std::string>& command, const std::vector<std::string>& env,
                 const std::string& outPath, const std::string& errPath, std::string* pWhy) {
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) return pid;
  if (pWhy) *pWhy = std::string("spawn failed: ") + std::strerror(rc);
  return -1;
}

ToolOutput RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv) {
  ToolOutput result;
  TempDir capture;
  std::string outPath = capture.Path() + "/out";
  std::string errPath = capture.Path() + "/err";
  std::vector<std::string> command{program};
  command.insert(command.end(), args.begin(), args.end());
  const int pid = SpawnToFiles(command, MergedEnvironment(extraEnv), outPath, errPath, &result.err);
  if (pid < 0) return result;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  result.out = ReadHostFile(outPath);
  result.err = ReadHostFile(errPath);
  return result;
}
