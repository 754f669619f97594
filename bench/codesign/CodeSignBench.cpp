// Verifies a signed 64 MiB PE image with our Authenticode check and with
// osslsigncode verify (same file, same CA), several times each, and prints
// the median times and their ratio. Runs in a prefix of its own.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "transfer/CodeSign.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename F>
double TimeMs(F&& run) {
  const auto start = Clock::now();
  run();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const std::string fixtures = VAMO_BENCH_FIXTURES;
  const std::string file = fixtures + "/big64-signed.exe";
  const std::string ca = fixtures + "/pki/ca.pem";

  std::string prefixBase = (std::filesystem::temp_directory_path() / "vamo-bench-XXXXXX").string();
  if (mkdtemp(prefixBase.data()) == nullptr) return 1;
  setenv("VAMO_PREFIX", (prefixBase + "/prefix").c_str(), 1);
  platform::ResetPrefixForTesting();
  if (platform::InitPrefix(platform::PrefixOptions{}) != 0) return 1;
  std::filesystem::copy_file(ca, platform::PrefixCertsFolder("root") + "/bench-ca.pem");
  const std::string windowsPath = platform::ToWindowsPath(file);

  // Warm the page cache so both sides read from memory.
  {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
    }
  }
  if (FileVerifyCodeSign(windowsPath) != 0) {
    std::fprintf(stderr, "our check refused the image\n");
    return 1;
  }
  const std::string peer = std::string(VAMO_BENCH_OSSLSIGNCODE) + " verify -CAfile '" + ca + "' -in '" + file +
                           "' >/dev/null 2>&1";
  if (std::system(peer.c_str()) != 0) {
    std::fprintf(stderr, "osslsigncode refused the image\n");
    return 1;
  }

  std::vector<double> ours;
  std::vector<double> theirs;
  for (int i = 0; i < rounds; ++i) {
    ours.push_back(TimeMs([&] { FileVerifyCodeSign(windowsPath); }));
    theirs.push_back(TimeMs([&] { (void)std::system(peer.c_str()); }));
  }
  const double oursMs = Median(ours);
  const double theirsMs = Median(theirs);
  std::printf("codesign verify, signed PE of %.0f MiB, median of %d rounds\n",
              static_cast<double>(std::filesystem::file_size(file)) / (1024 * 1024), rounds);
  std::printf("  FileVerifyCodeSign    %8.1f ms\n", oursMs);
  std::printf("  osslsigncode verify   %8.1f ms\n", theirsMs);
  std::printf("  ratio ours/peer       %8.2f  (below 1 = faster)\n", oursMs / theirsMs);
  // The peer runs in child processes: this is our check's peak alone (plus
  // the bench's own setup), the figure that shows whether the file is held.
  struct rusage usage {};
  if (getrusage(RUSAGE_SELF, &usage) == 0) {
    std::printf("  our peak resident     %8.1f MiB\n", static_cast<double>(usage.ru_maxrss) / 1024);
  }

  std::error_code ec;
  std::filesystem::remove_all(prefixBase, ec);
  return 0;
}
