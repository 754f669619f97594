// FileVerify over a 1 GiB file against `openssl dgst -sha512` on the same
// file in the same run: throughput ratio (target: at least 0.95) and the
// peak memory FileVerify adds to the idle process (target: under 16 MiB).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/common/BenchSupport.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "transfer/FileVerify.h"

int main() {
  constexpr uint64_t kSize = uint64_t{1} << 30;
  constexpr int kRuns = 3;
  bench::ScratchFolder folder("vamo-bench-verify");
  setenv("VAMO_PREFIX", folder.Path("prefix").c_str(), 1);
  std::string file = folder.Path("big.bin");
  if (!bench::MakeFile(file, kSize)) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return 1;
  }
  std::string windowsPath = platform::ToWindowsPath(file);
  std::string digest;
  // Warms the page cache and settles what the process needs when idle.
  if (FileDigestText(windowsPath, digest) != 0) return 1;
  long idleRss = bench::MemoryKiB("VmRSS:");

  std::string command = "openssl dgst -sha512 " + bench::Quote(file) + " > /dev/null";
  double peer = bench::BestOf(kRuns, [&] { return std::system(command.c_str()) == 0; });
  double ours = bench::BestOf(kRuns, [&] { return FileVerify(windowsPath, digest, nullptr) == 0; });
  long peakRss = bench::MemoryKiB("VmHWM:");
  if (peer <= 0 || ours <= 0) {
    std::fprintf(stderr, "a run failed\n");
    return 1;
  }
  double mib = static_cast<double>(kSize) / (1 << 20);
  std::printf("FileVerify 1 GiB: %.0f MiB/s; openssl dgst -sha512: %.0f MiB/s; ratio %.3f (target >= 0.95)\n",
              mib / ours, mib / peer, peer / ours);
  std::printf("peak RSS %ld KiB, idle %ld KiB, above idle %ld KiB (target < 16384)\n", peakRss, idleRss,
              peakRss - idleRss);
  return 0;
}
