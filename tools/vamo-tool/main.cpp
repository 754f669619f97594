#include <cstdio>
#include <string>
#include <vector>

#include "platform/process/ProgramArguments.h"
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
  std::vector<std::string> args = platform::ProgramArguments(argc, argv);
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    PrintUsage();
    return args.empty() ? kExitUsage : kExitOk;
  }
  const std::string name = args[0];
  args.erase(args.begin());
  for (const ToolCommand& command : Table()) {
    if (name == command.name) return command.run(args);
  }
  std::fprintf(stderr, "vamo-tool: unknown command '%s'\n", name.c_str());
  PrintUsage();
  return kExitUsage;
}
