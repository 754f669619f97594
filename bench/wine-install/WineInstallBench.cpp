// The install phase over 50 files of 1 MiB from the network lab's nginx, run
// by the Linux build (in-process) and by the Windows build under Wine
// (bench_install_driver.exe, the same engine code built with mingw-w64 over
// WinINet and Win32 files), both against the shell loop of bench/install
// (curl -o, sha512sum -c, cp), alternating in the same run. Printed: each
// side's ratio to the loop and Wine's speed against Linux (target: at least
// 0.5), each side's time per progress word, and the download's parts timed
// alone.
//
//   bench_wine_install [PATH/TO/bench_install_driver.exe]
//
// The Windows program times the phase itself; Wine's start of a program with
// its server and services already up is measured alone and left out. Both
// sides download the list, check its signature against the demo key their
// resources carry, and per item download, check the SHA-512 and copy.
//
// Where the time goes (figures in docs/windows-build.md, "Install phase under
// Wine"; Linux 1.4 to 2.5 s, Wine 10.3 to 11.8 s, speed 0.22 to 0.24):
// - The size probe, 100 to 240 ms an item under Wine against 2 ms on Linux.
//   It is a GET closed once the length is known, and Wine's WinINet drains
//   the rest of the body when the handle is closed, 1 KiB per socket
//   receive, each a wineserver round trip, for as long as data is there: in
//   the lab that is the whole MiB. Wine skips the drain only for HEAD; the
//   probe is a GET by design, so the cost stays.
// - The body: 4 KiB InternetReadFile calls were a socket receive each,
//   36 ms a MiB; reading 64 KiB blocks (HttpClient_wininet.cpp) made it
//   about 10 ms. Opening a session costs under 1 ms.
// - File writes through the download's sink (64 KiB blocks): about 3 ms a
//   MiB under Wine, 1 ms on Linux. The digest (libcrypto on both) and the
//   copy (256 KiB blocks and one flush) cost about what they cost on Linux.
// Needs root or password-less sudo (the lab) and wine64.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "bench/common/BenchSupport.h"
#include "bench/common/InstallCosts.h"
#include "bench/common/InstallPhase.h"
#include "bench/common/InstallSite.h"
#include "bench/common/WinePrefix.h"
#include "platform/sim/Prefix.h"
#include "system/SetupFolders.h"

namespace {

constexpr int kRounds = 3;

// The outer half: the site, the lab, and this program again inside it.
int Outer(const char* self, const std::string& driver) {
  if (!bench::CanRunLab("bench_wine_install")) return 1;
  bench::ScratchFolder scratch("vamo-bench-wine-install");
  if (!bench::MakeInstallSite(scratch, VAMO_PUBLISH_PATH, VAMO_DEMO_LIST_KEY)) {
    std::fprintf(stderr, "bench_wine_install: the site could not be made\n");
    return 1;
  }
  const std::string name = "wbench" + std::to_string(getpid());
  if (!bench::LabUp(VAMO_LAB_TOOL, name, VAMO_BUILD_DIR, scratch)) {
    std::fprintf(stderr, "bench_wine_install: the lab did not come up\n");
    return 1;
  }
  const std::string lab = bench::Quote(VAMO_LAB_TOOL);
  const std::string inner = std::string(geteuid() == 0 ? "" : "sudo -n ") + lab + " exec " + name + " -- " +
                            bench::Quote(self) + " --inside " + bench::Quote(scratch.Path()) + " " +
                            bench::Quote(driver);
  const int status = std::system(inner.c_str());
  std::system((lab + " down " + name).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// A Windows program's standard output; nullopt when it failed.
std::optional<std::string> RunWindows(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

// The driver's "phase", "split" and "cost" lines.
bench::PhaseResult ParsePhase(const std::string& text) {
  bench::PhaseResult phase;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string kind;
    double seconds = 0;
    words >> kind >> seconds;
    if (kind == "phase") phase.seconds = seconds;
    if (kind == "split") {
      std::string label;
      std::getline(words >> std::ws, label);
      phase.split[label] = seconds;
    }
  }
  return phase;
}

bench::DownloadCosts ParseCosts(const std::string& text) {
  std::map<std::string, double> figures;
  std::istringstream lines(text);
  std::string kind, name;
  double seconds = 0;
  while (lines >> kind >> name >> seconds) {
    if (kind == "cost") figures[name] = seconds;
  }
  auto get = [&](const char* key) { return figures.contains(key) ? figures[key] : -1.0; };
  return {get("session"), get("probe"), get("body"), get("sink")};
}

struct Side {
  bench::PhaseResult best;
  void Keep(const bench::PhaseResult& run) {
    if (run.seconds >= 0 && (best.seconds < 0 || run.seconds < best.seconds)) best = run;
  }
};

void PrintSplit(const Side& onLinux, const Side& underWine) {
  std::map<std::string, std::pair<double, double>> rows;
  for (const auto& [label, seconds] : onLinux.best.split) rows[label].first = seconds;
  for (const auto& [label, seconds] : underWine.best.split) rows[label].second = seconds;
  std::printf("where the time goes (best run of each; seconds over the 50 items):\n");
  std::printf("  %8s %8s  %s\n", "Linux", "Wine", "progress word");
  for (const auto& [label, figures] : rows) {
    if (figures.first < 0.0005 && figures.second < 0.0005) continue;
    std::printf("  %8.3f %8.3f  %s\n", figures.first, figures.second, label.c_str());
  }
}

void PrintCosts(const bench::DownloadCosts& onLinux, const bench::DownloadCosts& underWine, int count) {
  std::printf("the download's parts alone, %d times each (seconds):\n", count);
  std::printf("  %8s %8s\n", "Linux", "Wine");
  std::printf("  %8.3f %8.3f  session open\n", onLinux.sessionOpen, underWine.sessionOpen);
  std::printf("  %8.3f %8.3f  size probe (session, connection, answer)\n", onLinux.sizeProbe, underWine.sizeProbe);
  std::printf("  %8.3f %8.3f  session and GET of 1 MiB into memory\n", onLinux.bodyToMemory, underWine.bodyToMemory);
  std::printf("  %8.3f %8.3f  1 MiB through the download's file sink\n", onLinux.sinkWrites, underWine.sinkWrites);
}

// The inner half, inside the lab.
int Inner(const std::string& scratch, const std::string& driver) {
  // The lab's hosts are reached directly, by every side.
  for (const char* proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
    unsetenv(proxy);
  }
  setenv("VAMO_PREFIX", (scratch + "/prefix").c_str(), 1);
  platform::ResetPrefixForTesting();
  if (platform::InitPrefix(platform::PrefixOptions{}) != 0) return 1;
  CSystemInfo systemInfo;
  systemInfo.GatherSystemInfo();
  const std::string loop = bench::PrepareShellLoop(scratch);
  if (loop.empty()) return 1;

  // Booted here, inside the lab's namespace, like the wizard's own prefix.
  bench::WinePrefix prefix(scratch + "/wineprefix", VAMO_WINE_RUN);
  if (!prefix.Prepare(true)) {
    std::fprintf(stderr, "bench_wine_install: no Wine prefix\n");
    return 1;
  }
  const std::string windows = bench::Wine64() + " " + bench::Quote(driver);
  const std::string startup = windows + " startup";
  const std::string phase = windows + " phase " + bench::Quote(bench::ListUrl());
  // The first program after the server's start brings Wine's services up.
  if (!bench::RunShell(startup)) return 1;

  Side onLinux, underWine;
  double peer = 1e30, wineStart = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    // Alternated, so that none always meets a warm or a cold cache.
    onLinux.Keep(bench::RunInstallPhase(systemInfo, bench::ListUrl()));
    std::optional<std::string> out = RunWindows(phase);
    if (out) underWine.Keep(ParsePhase(*out));
    peer = std::min(peer, bench::BestOf(1, [&] { return bench::RunShell(loop); }));
    wineStart = std::min(wineStart, bench::BestOf(1, [&] { return bench::RunShell(startup); }));
    if (!out || onLinux.best.seconds < 0 || underWine.best.seconds < 0 || peer < 0 || wineStart < 0) {
      std::fprintf(stderr, "bench_wine_install: a run failed\n");
      return 1;
    }
  }
  const std::string itemUrl = bench::BaseUrl() + bench::ItemName(0);
  const std::string size = std::to_string(bench::kInstallItemSize);
  CUtility::MakeFolderPath(CSetupFolders::TempFolder());
  const bench::DownloadCosts onLinuxCosts = bench::MeasureDownloadCosts(
      itemUrl, bench::kInstallItemSize, CSetupFolders::TempFolder(), bench::kInstallItems);
  std::optional<std::string> costs =
      RunWindows(windows + " costs " + bench::Quote(itemUrl) + " " + size + " " + std::to_string(bench::kInstallItems));
  if (!costs) {
    std::fprintf(stderr, "bench_wine_install: the Windows download parts failed\n");
    return 1;
  }

  const double l = onLinux.best.seconds, w = underWine.best.seconds;
  std::printf("install phase, %d items of 1 MiB from the lab's nginx (pauses left out), best of %d:\n",
              bench::kInstallItems, kRounds);
  std::printf("  Linux build                 %.3f s   loop/Linux %.2f\n", l, peer / l);
  std::printf("  Windows build under Wine    %.3f s   loop/Wine  %.2f   (Wine's start, left out: %.3f s)\n", w,
              peer / w, wineStart);
  std::printf("  shell loop (curl, sha512sum, cp) %.3f s\n", peer);
  std::printf("  Wine's speed against Linux  %.2f (Linux/Wine; target >= 0.50)\n", l / w);
  PrintSplit(onLinux, underWine);
  PrintCosts(onLinuxCosts, ParseCosts(*costs), bench::kInstallItems);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--inside") == 0) return Inner(argv[2], argv[3]);
  const std::string driver = argc > 1 ? argv[1] : VAMO_WIN32_DRIVER;
  if (!std::filesystem::exists(driver)) {
    std::fprintf(stderr, "no %s: build bench_install_driver in the Windows build first (docs/windows-build.md)\n",
                 driver.c_str());
    return 1;
  }
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  return Outer(self, std::filesystem::absolute(driver).string());
}
