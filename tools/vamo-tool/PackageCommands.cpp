// vamo-tool extract, cab, ffprefs: the archive reader, the cabinet installer
// and the Firefox preference step, each ending with "result: N".
#include <cstdio>
#include <string>
#include <vector>

#include "platform/cabinet/Cabinet.h"
#include "system/ArchiveReader.h"
#include "system/CabinetInstaller.h"
#include "system/FirefoxPrefs.h"
#include "tools/vamo-tool/ToolCommand.h"
#include "transfer/CodeSign.h"

namespace {

int RunExtract(const std::vector<std::string>& args);
const ToolCommand kExtractCommand = {"extract", "extract ARCHIVE TARGETNAME", RunExtract};

int RunExtract(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(kExtractCommand);
  int result = ExtractArchive(args[0], args[1]);
  PrintResult(result);
  return result == 0 ? kExitOk : kExitFailed;
}

int RunCab(const std::vector<std::string>& args);
const ToolCommand kCabCommand = {"cab", "cab list CAB | cab install CAB", RunCab};

int RunCab(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(kCabCommand);
  if (args[0] == "list") {
    auto files = platform::cabinet::ListCabinet(args[1]);
    if (!files) {
      std::fprintf(stderr, "vamo-tool: %s is not a readable cabinet (error %u)\n", args[1].c_str(), files.error());
      PrintResult(-1);
      return kExitFailed;
    }
    for (const platform::cabinet::CabinetFile& file : *files) std::printf("%s\n", file.name.c_str());
    PrintResult(0);
    return kExitOk;
  }
  if (args[0] == "install") {
    int result = 0;
    {
      // The installer removes what it extracted when it goes, before the
      // result line is written.
      CCabinetInstaller installer(args[1], &VerifyCodeSignWithFrame);
      result = installer.Install();
    }
    PrintResult(result);
    return result == 0 ? kExitOk : kExitFailed;
  }
  return UsageError(kCabCommand);
}

int RunFirefoxPrefs(const std::vector<std::string>& args);
const ToolCommand kFirefoxPrefsCommand = {"ffprefs", "ffprefs", RunFirefoxPrefs};

int RunFirefoxPrefs(const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kFirefoxPrefsCommand);
  PrintResult(CFirefoxPrefs::UpdatePreferences());
  return kExitOk;
}

const CommandRegistrar kRegisterExtract(kExtractCommand);
const CommandRegistrar kRegisterCab(kCabCommand);
const CommandRegistrar kRegisterFirefoxPrefs(kFirefoxPrefsCommand);

}  // namespace
