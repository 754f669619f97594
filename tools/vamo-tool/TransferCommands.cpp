// vamo-tool download: the item download, as the wizard runs it.
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/vamo-tool/TerminalProgress.h"
#include "tools/vamo-tool/PrintingReport.h"
#include "tools/vamo-tool/ToolCommand.h"
#include "transfer/FileDownload.h"

namespace {

// On a terminal: "label name [#####.....]  40% 1.2 MiB/3.0 MiB", the name
// cut first when the line is too wide. On a pipe: "label name 40%" at every
// tenth (every MiB when the size is unknown), so a log is not flooded.
std::string DownloadLine(const TerminalProgress& progress, std::string_view label, std::string_view name,
                         uint64_t received, uint64_t expected) {
  std::string head = std::string(label) + " ";
  if (!progress.InPlace()) {
    if (expected == 0) return head + std::string(name) + " " + TerminalProgress::Bytes(received >> 20 << 20);
    int tenths = TerminalProgress::Percent(received, expected) / 10 * 10;
    return head + std::string(name) + " " + std::to_string(tenths) + "%";
  }
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", TerminalProgress::Percent(received, expected));
  int cells = progress.Columns() - 1;
  std::string bar = " " + TerminalProgress::Bar(received, expected, std::clamp(cells / 4, 10, 30)) + " " + percent;
  // The amount goes before the name gets too short to read.
  std::string amount = " " + TerminalProgress::Bytes(received);
  std::vector<std::string> tails = {bar + amount, bar};
  if (expected != 0) tails.insert(tails.begin(), bar + amount + "/" + TerminalProgress::Bytes(expected));
  std::string shownName(name);
  int nameCells = TerminalProgress::DisplayWidth(shownName);
  std::string tail = tails.back();
  for (const std::string& candidate : tails) {
    int room = cells - TerminalProgress::DisplayWidth(head) - TerminalProgress::DisplayWidth(candidate);
    if (room >= std::min(nameCells, 12)) {
      tail = candidate;
      break;
    }
  }
  int room = cells - TerminalProgress::DisplayWidth(head) - TerminalProgress::DisplayWidth(tail);
  if (nameCells > room) {
    shownName = room >= 2 ? TerminalProgress::FitToWidth(shownName, room - 1) + "~" : std::string();
  }
  return head + shownName + tail;
}

int RunDownload(const std::vector<std::string>& args);

const ToolCommand kDownloadCommand = {"download", "download URL WINPATH", RunDownload};

int RunDownload(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError(kDownloadCommand);
  const std::string& url = args[0];
  const std::string& path = args[1];
  std::string name = path.substr(path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/") + 1);
  TerminalProgress progress;
  progress.SetMinimumInterval(std::chrono::milliseconds(50));  // a callback comes for every few KiB
  PrintingReport report(&progress);
  int result = FileDownload(url, path, name, &report,
                            [&](std::string_view label, std::string_view display, uint64_t received,
                                uint64_t expected) {
                              progress.Show(DownloadLine(progress, label, display, received, expected));
                            });
  progress.Finish();
  PrintResult(result);
  return result == 0 ? kExitOk : kExitFailed;
}

const CommandRegistrar kRegisterDownload(kDownloadCommand);

}  // namespace
