// How long reading an update-list-sized INI takes: every key of every
// section, as the install plan reads it, from a memory source (parsed once)
// and from a file source (read and parsed on every call), against Python's
// configparser doing the same look-ups in the same run.
//
// Usage: bench_profile [SECTIONS] [KEYS]   (defaults 100 and 20)
// Runs in a temporary prefix of its own.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/sim/Prefix.h"
#include "platform/profile/Profile.h"

namespace {

namespace profile = platform::profile;
using Clock = std::chrono::steady_clock;

std::string MakeList(int sections, int keys) {
  std::ostringstream out;
  out << "[GENERAL]\r\nVERSION=1.0.1.7\r\n";
  for (int s = 0; s < sections; ++s) {
    out << "[Item" << s << ".dll]\r\n";
    for (int k = 0; k < keys; ++k) out << "KEY_" << k << " = value " << s << "-" << k << "\r\n";
  }
  return out.str();
}

// Seconds per round of reading every key through the given source.
double TimeRounds(const profile::Source& source, int sections, int keys, int rounds, size_t& checksum) {
  auto start = Clock::now();
  for (int r = 0; r < rounds; ++r) {
    for (const std::string& name :
         profile::SplitNulList(profile::GetSectionNames(source, 1 << 20))) {
      for (int k = 0; k < keys; ++k) checksum += profile::GetString(source, name, "key_" + std::to_string(k)).size();
    }
  }
  (void)sections;
  return std::chrono::duration<double>(Clock::now() - start).count() / rounds;
}

// Python's configparser, timed inside the interpreter so start-up does not count.
double TimePython(const std::string& hostPath, int keys, int rounds, const std::string& scratch) {
  std::string script = scratch + "/peer.py";
  std::string result = scratch + "/peer.out";
  std::ofstream(script) << "import configparser, sys, time\n"
                           "path, keys, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])\n"
                           "start = time.perf_counter()\n"
                           "total = 0\n"
                           "for _ in range(rounds):\n"
                           "    c = configparser.RawConfigParser(strict=False)\n"
                           "    c.read(path, encoding='utf-8')\n"
                           "    for s in c.sections():\n"
                           "        for k in range(keys):\n"
                           "            total += len(c.get(s, 'key_%d' % k, fallback=''))\n"
                           "print((time.perf_counter() - start) / rounds)\n";
  std::string command = "python3 '" + script + "' '" + hostPath + "' " + std::to_string(keys) + " " +
                        std::to_string(rounds) + " > '" + result + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return -1;
  double seconds = -1;
  std::ifstream(result) >> seconds;
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int sections = argc > 1 ? std::atoi(argv[1]) : 100;
  int keys = argc > 2 ? std::atoi(argv[2]) : 20;
  if (sections <= 0 || keys <= 0) {
    std::fprintf(stderr, "usage: bench_profile [SECTIONS] [KEYS]\n");
    return 2;
  }
  std::string scratch = (std::filesystem::temp_directory_path() / "vamo-bench-profileXXXXXX").string();
  if (mkdtemp(scratch.data()) == nullptr) return 1;
  setenv("VAMO_PREFIX", (scratch + "/prefix").c_str(), 1);
  platform::InitPrefix({});

  std::string text = MakeList(sections, keys);
  std::string hostPath = scratch + "/list.ini";
  std::ofstream(hostPath, std::ios::binary) << text;
  std::string winPath = platform::ToWindowsPath(hostPath);

  size_t checksum = 0;
  double memory = TimeRounds(profile::Source::Text(text), sections, keys, 20, checksum);
  double file = TimeRounds(profile::Source::File(winPath), sections, keys, 2, checksum);
  double python = TimePython(hostPath, keys, 20, scratch);

  std::printf("update list: %d sections x %d keys (%zu bytes), %d look-ups a round\n", sections, keys,
              text.size(), sections * keys);
  std::printf("memory source     %10.3f ms a round\n", memory * 1e3);
  std::printf("file source       %10.3f ms a round (re-reads the file for every look-up)\n", file * 1e3);
  if (python > 0) {
    std::printf("python configparser %8.3f ms a round\n", python * 1e3);
    std::printf("ratio memory/python %8.2f\n", memory / python);
    std::printf("ratio file/python   %8.2f\n", file / python);
  } else {
    std::printf("python configparser: not available\n");
  }
  std::printf("(checksum %zu)\n", checksum);
  std::filesystem::remove_all(scratch);
  return 0;
}
