#pragma once

#include <string>
#include <vector>

// Runs a program (by default the built vamo-tool) with the current
// environment plus the given variables, and collects what it printed.
struct ToolOutput {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

ToolOutput RunTool(const std::vector<std::string>& args,
                   const std::vector<std::string>& extraEnv = {});
ToolOutput RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnv = {});

// This process's environment with `extra` (NAME=value) put over it.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra);
// Starts command[0] (searched in PATH when it names no folder) with `env`,
// standard input from /dev/null and its output to two files, without
// waiting; its PID, or -1 with the reason in `*pWhy` when given.
int SpawnToFiles(const std::vector<std::string>& command, const std::vector<std::string>& env,
                 const std::string& outPath, const std::string& errPath, std::string* pWhy = nullptr);
