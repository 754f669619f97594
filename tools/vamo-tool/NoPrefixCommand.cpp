// vamo-tool prefix on Windows: the prefix is the simulated machine of the
// Linux build; a Windows machine is its own, so there is nothing to set up.
// The command stays known, so that a script written for Linux gets a clear
// answer instead of "unknown command".
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vamo-tool/ToolCommand.h"

namespace {

int RunPrefix(const std::vector<std::string>&) {
  std::fprintf(stderr,
               "vamo-tool: 'prefix' has no meaning on Windows: the commands work on this machine's own "
               "files and registry\n");
  return kExitFailed;
}

const ToolCommand kPrefixCommand = {"prefix", "prefix    (Linux only: the simulated machine)", RunPrefix};
const CommandRegistrar kRegisterPrefix(kPrefixCommand);

}  // namespace
