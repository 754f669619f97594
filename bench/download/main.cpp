// FileDownload of a 1 GiB file from a loopback server against `curl -o` from
// the same server in the same run: throughput ratio (target: at least 0.90)
// and the peak memory the download adds (target: under 16 MiB).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "bench/common/BenchSupport.h"
#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "transfer/FileDownload.h"

namespace {

// The test server, started in the background on 127.0.0.1; it is ended by
// the PID it was started with.
class LoopbackServer {
 public:
  explicit LoopbackServer(const bench::ScratchFolder& folder) {
    std::string portFile = folder.Path("port");
    m_strPidFile = folder.Path("pid");
    std::string command = "python3 " + bench::Quote(VAMO_HTTP_TEST_SERVER) + " --log /dev/null --root " +
                          bench::Quote(folder.Path()) + " > " + bench::Quote(portFile) + " 2>/dev/null & echo $! > " +
                          bench::Quote(m_strPidFile);
    if (std::system(command.c_str()) != 0) return;
    for (int i = 0; i < 100 && m_nPort == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::ifstream in(portFile);
      std::string word;
      if (in >> word >> m_nPort && word == "PORT") break;
      m_nPort = 0;
    }
  }
  ~LoopbackServer() {
    std::ifstream in(m_strPidFile);
    long pid = 0;
    if (in >> pid && pid > 0) std::system(("kill " + std::to_string(pid)).c_str());
  }
  int Port() const { return m_nPort; }

 private:
  std::string m_strPidFile;
  int m_nPort = 0;
};

}  // namespace

int main() {
  constexpr uint64_t kSize = uint64_t{1} << 30;
  constexpr int kRuns = 3;
  bench::ScratchFolder folder("vamo-bench-download");
  setenv("VAMO_PREFIX", folder.Path("prefix").c_str(), 1);
  if (!bench::MakeFile(folder.Path("big.bin"), kSize)) return 1;
  LoopbackServer server(folder);
  if (server.Port() == 0) {
    std::fprintf(stderr, "the loopback server did not start\n");
    return 1;
  }
  std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/static/big.bin";
  std::string target = platform::ToWindowsPath(folder.Path("ours.bin"));
  long idleRss = bench::MemoryKiB("VmRSS:");

  std::string command = "curl -s -o " + bench::Quote(folder.Path("curl.bin")) + " " + url;
  double peer = bench::BestOf(kRuns, [&] { return std::system(command.c_str()) == 0; });
  uint64_t progressCalls = 0;
  auto progress = [&](std::string_view, std::string_view, uint64_t, uint64_t) { ++progressCalls; };
  double ours = bench::BestOf(kRuns, [&] { return FileDownload(url, target, "big.bin", nullptr, progress) == 0; });
  long peakRss = bench::MemoryKiB("VmHWM:");
  if (peer <= 0 || ours <= 0) {
    std::fprintf(stderr, "a run failed\n");
    return 1;
  }
  double mib = static_cast<double>(kSize) / (1 << 20);
  std::printf("FileDownload 1 GiB: %.0f MiB/s; curl -o: %.0f MiB/s; ratio %.3f (target >= 0.90)\n", mib / ours,
              mib / peer, peer / ours);
  std::printf("peak RSS %ld KiB, idle %ld KiB, above idle %ld KiB (target < 16384); %llu progress calls\n", peakRss,
              idleRss, peakRss - idleRss, static_cast<unsigned long long>(progressCalls / kRuns));
  return 0;
}
