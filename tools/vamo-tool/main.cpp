#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/vamo-tool/ToolCommand.h"

namespace {

std::vector<ToolCommand>& Table() {
  static std::vector<ToolCommand> table;
  return table;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: vamo-tool COMMAND [ARGS]\n\ncommands:\n");
  for (const ToolCommand& command : Table()) std::fprintf(stderr, "  %s\n", command.usage);
}

}  // namespace

CommandRegistrar::CommandRegistrar(ToolCommand command) { Table().push_back(command); }

const std::vector<ToolCommand>& RegisteredCommands() { return Table(); }

void PrintResult(int result) {
  std::printf("result: %d\n", result);
  std::fflush(stdout);
}

int UsageError(const ToolCommand& command) {
  std::fprintf(stderr, "usage: vamo-tool %s\n", command.usage);
  return kExitUsage;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    PrintUsage();
    return argc < 2 ? kExitUsage : kExitOk;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const ToolCommand& command : Table()) {
    if (std::strcmp(command.name, argv[1]) == 0) return command.run(args);
  }
  std::fprintf(stderr, "vamo-tool: unknown command '%s'\n", argv[1]);
  PrintUsage();
  return kExitUsage;
}
