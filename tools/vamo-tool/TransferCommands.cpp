// vamo-tool download, vamo-tool digest: the item download and the digest text
// of a file, as the wizard runs them.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "system/ReportSink.h"
#include "tools/vamo-tool/ToolCommand.h"
#include "transfer/FileDownload.h"
#include "transfer/FileVerify.h"

namespace {

// Prints every report line on standard output as it is written, with the
// report's CR LF as a plain line end.
class PrintingReport : public IReportSink {
 public:
  void AppendLine(const char* format, ...) override __attribute__((format(printf, 2, 3))) {
    char line[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::string text = line;
    std::erase(text, '\r');
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
  }
};

// One line of standard error, redrawn in place.
void DrawProgress(std::string_view label, std::string_view name, uint64_t received, uint64_t expected) {
  constexpr int kWidth = 30;
  int filled = expected == 0 ? 0 : static_cast<int>(std::min<uint64_t>(received, expected) * kWidth / expected);
  int percent = expected == 0 ? 0 : static_cast<int>(std::min<uint64_t>(received, expected) * 100 / expected);
  std::fprintf(stderr, "\r%.*s %.*s [%s%s] %3d%% %llu/%llu", static_cast<int>(label.size()), label.data(),
               static_cast<int>(name.size()), name.data(), std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), percent,
               static_cast<unsigned long long>(received), static_cast<unsigned long long>(expected));
}

int RunDownload(const std::vector<std::string>& args);
int RunDigest(const std::vector<std::string>& args);

const ToolCommand kDownloadCommand = {"download", "download URL WINPATH", RunDownload};
const ToolCommand kDigestCommand = {"digest", "digest WINPATH", RunDigest};

int RunDownload(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(kDownloadCommand);
  const std::string& url = args[0];
  const std::string& path = args[1];
  std::string name = path.substr(path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1);
  PrintingReport report;
  bool drew = false;
  int result = FileDownload(url, path, name, &report,
                            [&](std::string_view label, std::string_view display, uint64_t received,
                                uint64_t expected) {
                              DrawProgress(label, display, received, expected);
                              drew = true;
                            });
  if (drew) std::fputc('\n', stderr);
  PrintResult(result);
  return result == 0 ? kExitOk : kExitFailed;
}

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

const CommandRegistrar kRegisterDownload(kDownloadCommand);
const CommandRegistrar kRegisterDigest(kDigestCommand);

}  // namespace
