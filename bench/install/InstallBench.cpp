// The install phase over a 50-item list of 1 MiB files served by the network
// lab's nginx, against a shell loop of `curl -o`, `sha512sum -c` and `cp` for
// the same files in the same lab and the same run, as a ratio (target: no
// slower than the loop); and the peak memory of a whole `vamo-tool repair`
// over that list (target: under 32 MiB).
//
// The install phase runs without the pauses the design puts between its
// steps (100 ms each, six of them), so its time is that of its work: the
// list's download and signature check, and per item the download, the digest
// check and the copy into place.
//
// Runs as root or through sudo: the program brings a lab up, starts itself
// again in the lab's client namespace (in a process namespace of its own,
// since a repair ends processes named like browsers) and brings the lab down.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "bench/common/InstallPhase.h"
#include "bench/common/InstallSite.h"
#include "platform/sim/Prefix.h"

namespace {

constexpr int kRuns = 3;

// The outer half: the lab, and this program again inside it.
int Outer(const char* self) {
  if (!bench::CanRunLab("bench_install")) return 1;
  const bool bRoot = geteuid() == 0;
  bench::ScratchFolder scratch("vamo-bench-install");
  if (!bench::MakeInstallSite(scratch, VAMO_PUBLISH_PATH, VAMO_DEMO_LIST_KEY)) {
    std::fprintf(stderr, "bench_install: the site could not be made\n");
    return 1;
  }
  const std::string lab = bench::Quote(VAMO_LAB_TOOL);
  const std::string name = "bench" + std::to_string(getpid());
  if (!bench::LabUp(VAMO_LAB_TOOL, name, VAMO_BUILD_DIR, scratch)) {
    std::fprintf(stderr, "bench_install: the lab did not come up\n");
    return 1;
  }
  // A shell stays the first process of the new process namespace, so that
  // the repair still sees that its network is the lab's.
  const std::string inner = std::string(bRoot ? "" : "sudo -n ") +
                            "unshare --pid --fork --mount-proc -- bash -c '\"$@\"; exit $?' bench " + lab + " exec " +
                            name + " -- " + bench::Quote(self) + " --inside " + bench::Quote(scratch.Path());
  const int status = std::system(inner.c_str());
  std::system((lab + " down " + name).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

bool InstallOnce(const CSystemInfo& systemInfo) {
  return bench::RunInstallPhase(systemInfo, bench::ListUrl()).seconds >= 0;
}

// Peak resident memory of a whole vamo-tool repair, in KiB.
long RepairPeakKiB(const std::string& prefix) {
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    setenv("VAMO_PREFIX", prefix.c_str(), 1);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    execl(VAMO_TOOL_PATH, VAMO_TOOL_PATH, "repair", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

// The inner half, inside the lab.
int Inner(const std::string& scratch) {
  // The lab's hosts are reached directly, by both sides.
  for (const char* proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    unsetenv(proxy);
  }
  const std::string prefix = scratch + "/prefix";
  setenv("VAMO_PREFIX", prefix.c_str(), 1);
  platform::ResetPrefixForTesting();
  if (platform::InitPrefix(platform::PrefixOptions{}) != 0) return 1;
  const char* labCa = std::getenv("VAMO_LAB_CA");
  if (labCa == nullptr) return 1;
  std::filesystem::copy_file(labCa, platform::PrefixCertsFolder("root") + "/vamo-lab.pem",
                             std::filesystem::copy_options::overwrite_existing);
  CSystemInfo systemInfo;
  systemInfo.GatherSystemInfo();

  const std::string command = bench::PrepareShellLoop(scratch);
  if (command.empty()) return 1;

  double ours = 1e30;
  double peer = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    // Alternated, so that neither always meets a warm or a cold cache.
    ours = std::min(ours, bench::BestOf(1, [&] { return InstallOnce(systemInfo); }));
    peer = std::min(peer, bench::BestOf(1, [&] { return std::system(command.c_str()) == 0; }));
    if (ours < 0 || peer < 0) {
      std::fprintf(stderr, "bench_install: a run failed\n");
      return 1;
    }
  }
  const long peak = RepairPeakKiB(prefix);

  const double mib = static_cast<double>(bench::kInstallItems * bench::kInstallItemSize) / (1 << 20);
  std::printf("install phase, %d items of 1 MiB from the lab's nginx (pauses left out): %.3f s (%.0f MiB/s)\n",
              bench::kInstallItems, ours, mib / ours);
  std::printf("shell loop of curl -o, sha512sum -c and cp: %.3f s (%.0f MiB/s)\n", peer, mib / peer);
  std::printf("ratio loop/install %.2f (target >= 1.00: the install no slower than the loop)\n", peer / ours);
  std::printf("vamo-tool repair (whole run, this list): peak RSS %ld KiB (target < 32768)\n", peak);
  return peak > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--inside") == 0) return Inner(argv[2]);
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  return Outer(self);
}
