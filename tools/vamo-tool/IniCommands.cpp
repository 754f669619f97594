// vamo-tool ini: reads and writes INI files through the profile functions,
// with Windows' rules, so scripts and tests see what the setup would see.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/profile/Profile.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

namespace profile = platform::profile;

// The largest buffer the Windows profile functions accept; the listing
// commands use it so that nothing a real caller could read is cut.
constexpr size_t kListBufferChars = 32767;

int RunIni(const std::vector<std::string>& args);

const ToolCommand kIniCommand{
    "ini",
    "ini get FILE SECTION KEY | ini sections FILE | ini section FILE SECTION | "
    "ini set FILE SECTION KEY VALUE",
    RunIni};

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
}

int RunIni(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(kIniCommand);
  const std::string& verb = args[0];
  if (verb == "get" && args.size() == 4) {
    std::string value = profile::GetString(profile::Source::File(args[1]), args[2], args[3]);
    std::fwrite(value.data(), 1, value.size(), stdout);
    std::fputc('\n', stdout);
    return kExitOk;
  }
  if (verb == "sections" && args.size() == 2) {
    PrintLines(profile::SplitNulList(
        profile::GetSectionNames(profile::Source::File(args[1]), kListBufferChars)));
    return kExitOk;
  }
  if (verb == "section" && args.size() == 3) {
    PrintLines(profile::SplitNulList(
        profile::GetSection(profile::Source::File(args[1]), args[2], kListBufferChars)));
    return kExitOk;
  }
  if (verb == "set" && args.size() == 5) {
    platform::Win32Error error = profile::WriteString(args[1], args[2], args[3], args[4]);
    if (error != platform::kErrorSuccess) {
      std::string message = platform::SystemMessage(error);
      std::fprintf(stderr, "vamo-tool ini set: error %u%s%s\n", error, message.empty() ? "" : ": ",
                   message.c_str());
      return kExitFailed;
    }
    return kExitOk;
  }
  return UsageError(kIniCommand);
}

const CommandRegistrar kRegisterIni(kIniCommand);

}  // namespace
