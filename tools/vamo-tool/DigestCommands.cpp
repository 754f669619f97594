// vamo-tool digest: the digest text of a file (base64 of its SHA-512), as
// the wizard compares it with the update list's SECURE_DATA.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vamo-tool/ToolCommand.h"
#include "transfer/FileVerify.h"

namespace {

int RunDigest(const std::vector<std::string>& args);

const ToolCommand kDigestCommand = {"digest", "digest WINPATH", RunDigest};

int RunDigest(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kDigestCommand);
  std::string text;
  int result = FileDigestText(args[0], text);
  if (result != 0) {
    std::fprintf(stderr, "vamo-tool: cannot read %s (%d)\n", args[0].c_str(), result);
    return kExitFailed;
  }
  std::printf("%s\n", text.c_str());
  return kExitOk;
}

const CommandRegistrar kRegisterDigest(kDigestCommand);

}  // namespace
