#pragma once

// Small helpers the peer-comparison benchmarks share: a scratch folder in
// /tmp, a big file, wall-clock timing, the process's memory figures.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// A folder below /tmp, removed with everything in it at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    // Named by this process too: std::rand() unseeded gives every bench the
    // same number, and two benches at once must not share a folder.
    m_path = std::filesystem::temp_directory_path() /
             (name + "-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()));
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  std::string Path(const std::string& name = "") const { return name.empty() ? m_path.string() : (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

// A file of `size` bytes of a cheap pseudo-random pattern.
inline bool MakeFile(const std::string& path, uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (uint64_t written = 0; written < size; written += block.size() * 8) {
    for (uint64_t& v : block) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      v = x;
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(std::min<uint64_t>(block.size() * 8, size - written)));
  }
  return static_cast<bool>(out);
}

// Best wall time of `runs` runs, in seconds.
inline double BestOf(int runs, const std::function<bool()>& body) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    if (!body()) return -1;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, seconds);
  }
  return best;
}

// A "VmHWM:" / "VmRSS:" figure of this process in KiB.
inline long MemoryKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::string(field).size(), nullptr, 10);
  }
  return -1;
}

inline std::string Quote(const std::string& word) { return "'" + word + "'"; }

}  // namespace bench
