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
