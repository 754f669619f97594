// vamo-tool commands over program files: the code-sign check (Authenticode
// for PE files and cabinets, the appended signature of ELF programs) and the
// version resource reader, as the wizard itself runs them.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vamo-tool/ToolCommand.h"
#include "transfer/CodeSign.h"
#include "system/VersionInfo.h"

namespace {

int RunCodeSign(const std::vector<std::string>& args);
int RunVersion(const std::vector<std::string>& args);

const ToolCommand kCodeSign{"codesign", "codesign FILE    code-sign check of a PE file, cabinet or ELF program", RunCodeSign};
const ToolCommand kVersion{"version", "version FILE [KEY]    strings of a file's version resource", RunVersion};

int RunCodeSign(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kCodeSign);
  const CodeSignOutcome outcome = CheckCodeSign(args[0]);
  std::fputs(outcome.strMessage.c_str(), stdout);
  PrintResult(outcome.nResult);
  return outcome.nResult == 0 ? kExitOk : kExitFailed;
}

int RunVersion(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return UsageError(kVersion);
  CVersionInfo info;
  if (!info.Load(args[0])) {
    std::printf("no version resource\n");
    return kExitFailed;
  }
  if (args.size() == 2) {
    std::printf("%s\n", info.GetString(args[1]).c_str());
    return kExitOk;
  }
  std::printf("translation=%08x\n", info.GetTranslation());
  std::printf("FileDescription=%s\n", info.GetFileDescription().c_str());
  std::printf("FileVersion=%s\n", info.GetFileVersion().c_str());
  std::printf("ProductName=%s\n", info.GetProductName().c_str());
  return kExitOk;
}

const CommandRegistrar g_codeSign(kCodeSign);
const CommandRegistrar g_version(kVersion);

}  // namespace
