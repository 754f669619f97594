// vamo-tool prefix init: sets up the prefix, the simulated Windows machine
// of the Linux build.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sim/Prefix.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

bool ParseWindowsVersion(const std::string& text, platform::PrefixOptions& options) {
  unsigned major = 0, minor = 0, build = 0;
  char extra = 0;
  int fields = std::sscanf(text.c_str(), "%u.%u.%u%c", &major, &minor, &build, &extra);
  if (fields != 3) return false;
  options.majorVersion = major;
  options.minorVersion = minor;
  options.buildNumber = build;
  return true;
}

bool ParseLanguage(const std::string& text, platform::PrefixOptions& options) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (end == text.c_str() || *end != '\0' || value > 0xFFFF) return false;
  options.systemLanguage = static_cast<uint16_t>(value);
  return true;
}

int RunPrefix(const std::vector<std::string>& args);

const ToolCommand kPrefixCommand = {
    "prefix",
    "prefix init [--windows MAJOR.MINOR.BUILD] [--sp N] [--server] [--arch x64|x86] [--lang 0xNNNN]",
    RunPrefix};

int RunPrefix(const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "init") return UsageError(kPrefixCommand);
  platform::PrefixOptions options;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    bool hasValue = i + 1 < args.size();
    if (option == "--windows" && hasValue && ParseWindowsVersion(args[i + 1], options)) {
      // The version alone says nothing of a service pack; Windows 7 without
      // one is a plain "6.1.7600".
      if (options.buildNumber != 7601) options.servicePackMajor = 0;
      ++i;
    } else if (option == "--sp" && hasValue) {
      options.servicePackMajor = static_cast<uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
    } else if (option == "--server") {
      options.productType = 3;
    } else if (option == "--arch" && hasValue && (args[i + 1] == "x64" || args[i + 1] == "x86")) {
      options.architecture = args[++i];
    } else if (option == "--lang" && hasValue && ParseLanguage(args[i + 1], options)) {
      ++i;
    } else {
      return UsageError(kPrefixCommand);
    }
  }
  if (platform::Win32Error error = platform::InitPrefix(options)) {
    std::fprintf(stderr, "vamo-tool: cannot set up the prefix at %s (error %u)\n", platform::PrefixRoot().c_str(),
                 error);
    return kExitFailed;
  }
  std::printf("%s\n", platform::PrefixRoot().c_str());
  return kExitOk;
}

const CommandRegistrar kRegisterPrefix(kPrefixCommand);

}  // namespace
