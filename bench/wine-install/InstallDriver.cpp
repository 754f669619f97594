// The Windows side of bench_wine_install: the install phase and the parts of
// an item's download, timed inside the program so that Wine's own start-up
// stays out of the figures (the host times that alone, with `startup`).
//
//   bench_install_driver startup                       does nothing
//   bench_install_driver phase LIST_URL                one install phase
//   bench_install_driver costs ITEM_URL SIZE COUNT     the download's parts
//
// Prints one line per figure for the host to read:
//   phase SECONDS
//   split SECONDS LABEL         the phase's time per progress word
//   cost NAME SECONDS           one download part, COUNT times
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/common/InstallCosts.h"
#include "bench/common/InstallPhase.h"
#include "system/SetupFolders.h"
#include "system/Utility.h"

namespace {

int Phase(const std::string& listUrl) {
  CSystemInfo systemInfo;
  systemInfo.GatherSystemInfo();
  const bench::PhaseResult phase = bench::RunInstallPhase(systemInfo, listUrl);
  if (phase.seconds < 0) return 1;
  std::printf("phase %.4f\n", phase.seconds);
  for (const auto& [label, seconds] : phase.split) std::printf("split %.4f %s\n", seconds, label.c_str());
  return 0;
}

int Costs(const std::string& itemUrl, uint64_t itemSize, int count) {
  const std::string folder = CSetupFolders::TempFolder();
  CUtility::MakeFolderPath(folder);
  const bench::DownloadCosts costs = bench::MeasureDownloadCosts(itemUrl, itemSize, folder, count);
  std::printf("cost session %.4f\ncost probe %.4f\ncost body %.4f\ncost sink %.4f\n", costs.sessionOpen,
              costs.sizeProbe, costs.bodyToMemory, costs.sinkWrites);
  return costs.sessionOpen < 0 || costs.sizeProbe < 0 || costs.bodyToMemory < 0 || costs.sinkWrites < 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "startup") == 0) return 0;
  if (argc == 3 && std::strcmp(argv[1], "phase") == 0) return Phase(argv[2]);
  if (argc == 5 && std::strcmp(argv[1], "costs") == 0) {
    return Costs(argv[2], std::strtoull(argv[3], nullptr, 10), std::atoi(argv[4]));
  }
  std::fprintf(stderr, "usage: bench_install_driver startup | phase LIST_URL | costs ITEM_URL SIZE COUNT\n");
  return 2;
}
