// Extraction throughput against the usual tools, on the same inputs in one
// run: a gzip file against "gzip -dc", a zip member against "unzip -p", a
// cabinet against "cabextract". Each of ours runs in a child process so its
// peak resident set can be read on its own.
//
// usage: bench_extract [MiB]   (default 256)
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/cabinet/Cabinet.h"
#include "system/ArchiveReader.h"

namespace {

struct Run {
  double seconds = 0;
  long peakKiB = 0;
  int status = -1;
};

// Runs the function in a child process and measures it from outside.
Run Measure(const std::function<int()>& body) {
  Run run;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(body() == 0 ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKiB = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

Run Shell(const std::string& command) {
  return Measure([&] { return std::system(command.c_str()) == 0 ? 0 : 1; });
}

void Must(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "bench_extract: failed: %s\n", command.c_str());
    std::exit(1);
  }
}

class CabSink : public platform::cabinet::ICabinetCallback {
 public:
  explicit CabSink(std::string folder) : m_folder(std::move(folder)) {}
  std::optional<std::string> FileInCabinet(const platform::cabinet::CabinetFile& file) override {
    return m_folder + file.name;
  }
  void FileExtracted(const platform::cabinet::CabinetFile&, const std::string&, platform::Win32Error error) override {
    if (error != 0) failed = true;
  }
  void NameRefused(const platform::cabinet::CabinetFile&) override { failed = true; }
  bool failed = false;

 private:
  std::string m_folder;
};

void Report(const char* what, const Run& ours, const Run& peer, const char* peerName) {
  std::printf("%-8s ours %6.2f s (peak RSS %6.1f MiB, exit %d)   %-10s %6.2f s   ratio %.2f\n", what, ours.seconds,
              ours.peakKiB / 1024.0, ours.status, peerName, peer.seconds, peer.seconds / ours.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  long mib = argc > 1 ? std::atol(argv[1]) : 256;
  std::string work = std::filesystem::temp_directory_path().string() + "/vamo-bench-extract-" + std::to_string(getpid());
  std::filesystem::create_directories(work + "/cab/out");
  std::filesystem::create_directories(work + "/peer");
  // A prefix of its own: the trace switch is looked up in it.
  setenv("VAMO_PREFIX", (work + "/prefix").c_str(), 1);
  std::string win = "Z:" + work + "\\";

  std::printf("making %ld MiB inputs in %s\n", mib, work.c_str());
  // Text-like data (base64 of random bytes) compresses to about three quarters.
  Must("cd '" + work + "' && head -c " + std::to_string(mib * 3 / 4) + "M /dev/urandom | base64 -w 76 | head -c " +
       std::to_string(mib) + "M > data.bin");
  Must("cd '" + work + "' && gzip -1 -c data.bin > data.gz && zip -q -1 data.zip data.bin && "
       "gcab -cz data.cab data.bin");

  Run gzOurs = Measure([&] { return ExtractArchive(win + "data.gz", "out-gz.bin"); });
  Run gzPeer = Shell("gzip -dc '" + work + "/data.gz' > '" + work + "/peer/gz.bin'");
  Report("gzip", gzOurs, gzPeer, "gzip -dc");

  Run zipOurs = Measure([&] { return ExtractArchive(win + "data.zip", "out-zip.bin"); });
  Run zipPeer = Shell("unzip -p '" + work + "/data.zip' > '" + work + "/peer/zip.bin'");
  Report("zip", zipOurs, zipPeer, "unzip -p");

  Run cabOurs = Measure([&] {
    CabSink sink(win + "cab\\out\\");
    return platform::cabinet::IterateCabinet(win + "data.cab", sink) == 0 && !sink.failed ? 0 : 1;
  });
  Run cabPeer = Shell("cabextract -q -d '" + work + "/peer/cab' '" + work + "/data.cab'");
  Report("cab", cabOurs, cabPeer, "cabextract");

  bool same = std::system(("cmp -s '" + work + "/data.bin' '" + work + "/out-gz.bin' && cmp -s '" + work +
                           "/data.bin' '" + work + "/out-zip.bin' && cmp -s '" + work + "/data.bin' '" + work +
                           "/cab/out/data.bin'").c_str()) == 0;
  std::printf("outputs identical to the input: %s\n", same ? "yes" : "NO");
  std::filesystem::remove_all(work);
  return same ? 0 : 1;
}
