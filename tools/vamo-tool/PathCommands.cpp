// vamo-tool path WINPATH: the name under which the user finds a file the
// setup names by a Windows path (the full path on Windows, the host file on
// Linux).
#include <cstdio>
#include <string>
#include <vector>

#include "platform/fs/Path.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

int RunPath(const std::vector<std::string>& args);
const ToolCommand kPathCommand = {"path", "path WINPATH", RunPath};

int RunPath(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kPathCommand);
  std::string shown = platform::PathForUser(args[0]);
  if (shown.empty()) {
    std::fprintf(stderr, "vamo-tool: %s names no drive of this machine\n", args[0].c_str());
    return kExitFailed;
  }
  std::printf("%s\n", shown.c_str());
  return kExitOk;
}

const CommandRegistrar kRegisterPath(kPathCommand);

}  // namespace
