#pragma once

#include <string>
#include <vector>

// A vamo-tool command: its name (first argument), a one-line usage and the
// function that runs it with the remaining arguments. It returns the exit
// status: 0 when the operation succeeded in its own terms, 1 when it failed,
// 2 when the arguments were wrong.
struct ToolCommand {
  const char* name;
  const char* usage;
  int (*run)(const std::vector<std::string>& args);
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Adds a command to the table main() dispatches on. Each command file
// registers its commands with a static CommandRegistrar.
class CommandRegistrar {
 public:
  explicit CommandRegistrar(ToolCommand command);
};

const std::vector<ToolCommand>& RegisteredCommands();

// Prints "result: N" as the last line of a command's output.
void PrintResult(int result);
// Prints the command's usage line to standard error and returns kExitUsage.
int UsageError(const ToolCommand& command);
