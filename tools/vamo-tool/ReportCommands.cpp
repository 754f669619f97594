// vamo-tool report show FILE: a saved setup report as UTF-8 text.
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/text/Utf.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

int RunReport(const std::vector<std::string>& args);

const ToolCommand kReportCommand = {"report", "report show FILE    a saved setup report (.rpt) as text", RunReport};
const CommandRegistrar kReportRegistrar(kReportCommand);

int RunReport(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0] != "show") return UsageError(kReportCommand);
  auto bytes = platform::fs::ReadFileBytes(args[1]);
  if (!bytes) {
    std::fprintf(stderr, "vamo-tool: %s cannot be read (error %u)\n", args[1].c_str(),
                 static_cast<unsigned>(bytes.error()));
    return kExitFailed;
  }
  // A saved report is UTF-16LE text after the byte-order mark FF FE.
  if (bytes->size() < 2 || (*bytes)[0] != 0xFF || (*bytes)[1] != 0xFE) {
    std::fprintf(stderr, "vamo-tool: %s is not a setup report: a .rpt file is UTF-16 text that starts with FF FE\n",
                 args[1].c_str());
    return kExitFailed;
  }
  if (bytes->size() % 2 != 0) {
    std::fprintf(stderr, "vamo-tool: %s is cut in the middle of a character; it is not a whole setup report\n",
                 args[1].c_str());
    return kExitFailed;
  }
  std::string utf8 = platform::Utf16BytesToUtf8(std::span(*bytes).subspan(2));
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    out += utf8[i];
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (!out.empty() && out.back() != '\n') std::fputc('\n', stdout);
  return kExitOk;
}

}  // namespace
