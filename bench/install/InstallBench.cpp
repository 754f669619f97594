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
#include "diagnostics/SystemInfo.h"
#include "engine/ErrorInfo.h"
#include "engine/InstallHost.h"
#include "engine/InstallProcedure.h"
#include "engine/SetupReport.h"
#include "platform/sim/Prefix.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"

namespace {

constexpr int kItems = 50;
constexpr uint64_t kItemSize = uint64_t{1} << 20;
constexpr int kRuns = 3;

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string ListUrl() { return platform::LoadModuleString(IDS_UPDATE_LIST_URL); }
std::string BaseUrl() { return ListUrl().substr(0, ListUrl().rfind('/') + 1); }
std::string UrlPath(const std::string& url) { return url.substr(url.find('/', url.find("://") + 3)); }
std::string ItemName(int i) { return "item" + std::to_string(i) + ".bin"; }

// The site: 50 different files of 1 MiB and the signed list that names them.
bool MakeSite(const bench::ScratchFolder& scratch) {
  const std::string site = scratch.Path("site");
  std::string path = UrlPath(ListUrl());
  const std::string folder = site + path.substr(0, path.rfind('/'));
  std::filesystem::create_directories(folder);
  std::string ini = "[GENERAL]\r\nVERSION=1.0.1.7\r\n";
  for (int i = 0; i < kItems; ++i) {
    // Each file its own bytes: a pattern file with the item's number in front.
    const std::string file = folder + "/" + ItemName(i);
    if (!bench::MakeFile(file, kItemSize)) return false;
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out << "item " << i << "\n";
    ini += "[" + ItemName(i) + "]\r\nTYPE=FILE\r\nVERSION=1\r\nDOWNLOAD_FULL_URL=" + BaseUrl() + ItemName(i) + "\r\n";
  }
  std::ofstream(scratch.Path("list.ini"), std::ios::binary) << ini;
  std::string sign = bench::Quote(VAMO_PUBLISH_PATH) + " sign --key " + bench::Quote(VAMO_DEMO_LIST_KEY) +
                     " --in " + bench::Quote(scratch.Path("list.ini")) + " --files " + bench::Quote(folder) +
                     " --out " + bench::Quote(site + path) + " >/dev/null";
  return std::system(sign.c_str()) == 0;
}

// The outer half: the lab, and this program again inside it.
int Outer(const char* self) {
  const bool bRoot = geteuid() == 0;
  if (!bRoot && std::system("sudo -n true 2>/dev/null") != 0) {
    std::fprintf(stderr, "bench_install: the network lab needs root or password-less sudo\n");
    return 1;
  }
  bench::ScratchFolder scratch("vamo-bench-install");
  if (!MakeSite(scratch)) {
    std::fprintf(stderr, "bench_install: the site could not be made\n");
    return 1;
  }
  const std::string lab = bench::Quote(VAMO_LAB_TOOL);
  const std::string name = "bench" + std::to_string(getpid());
  const std::string up = lab + " up " + name + " --build " + bench::Quote(VAMO_BUILD_DIR) + " --www " +
                         bench::Quote(scratch.Path("site")) + " --owner " + std::to_string(getpid());
  if (std::system(up.c_str()) != 0) {
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

// The run's side of the install phase: nothing to show.
class QuietHost : public IInstallHost {
 public:
  void SetCountProgress(const std::string&, int, int) override {}
  void SetPercentProgress(const std::string&, const std::string&, int, int) override {}
  bool IsStopRequested() override { return false; }
};

bool InstallOnce(const CSystemInfo& systemInfo) {
  QuietHost host;
  CSetupReport report;
  CErrorInfo errorInfo;
  int bOtherBrowser = 0;
  CInstallProcedure procedure(host, report, errorInfo, systemInfo, bOtherBrowser);
  procedure.m_nStepPauseMs = 0;
  const int result = procedure.ProcInstall();
  if (result != 0) std::fprintf(stderr, "ProcInstall: %d\n%s", result, report.TextUtf8().c_str());
  return result == 0;
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

  // The peer: the same files, fetched, checked and copied one by one.
  const std::string loop = scratch + "/loop";
  std::filesystem::create_directories(loop + "/temp");
  std::filesystem::create_directories(loop + "/target");
  std::string sums;
  for (int i = 0; i < kItems; ++i) {
    std::string file = scratch + "/site" + UrlPath(BaseUrl()) + ItemName(i);
    sums += Run("sha512sum " + bench::Quote(file) + " | cut -d' ' -f1") + "  " + loop + "/temp/" + ItemName(i) + "\n";
  }
  std::ofstream(loop + "/sums") << sums;
  std::string script = "set -e; base=" + bench::Quote(BaseUrl()) + "; cd " + bench::Quote(loop) +
                       "; for i in $(seq 0 " + std::to_string(kItems - 1) +
                       "); do f=item$i.bin; curl -sf -o temp/$f \"$base$f\"; "
                       "grep \"/temp/$f\\$\" sums | sha512sum -c --quiet -; cp temp/$f target/$f; rm temp/$f; done";
  const std::string command = "bash -c " + bench::Quote(script);

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

  const double mib = static_cast<double>(kItems * kItemSize) / (1 << 20);
  std::printf("install phase, %d items of 1 MiB from the lab's nginx (pauses left out): %.3f s (%.0f MiB/s)\n",
              kItems, ours, mib / ours);
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
