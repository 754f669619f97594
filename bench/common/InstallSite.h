#pragma once

// What the install benches share on the Linux side: the site of 50 files of
// 1 MiB with the signed list that names them, the lab serving it, and the
// shell loop of curl, sha512sum and cp the install phase is compared with.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/common/BenchSupport.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"

namespace bench {

constexpr int kInstallItems = 50;
constexpr uint64_t kInstallItemSize = uint64_t{1} << 20;

// Standard output of a shell command, without its last line ends.
inline std::string RunOutput(const std::string& command) {
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

inline std::string ListUrl() { return platform::LoadModuleString(IDS_UPDATE_LIST_URL); }
inline std::string BaseUrl() { return ListUrl().substr(0, ListUrl().rfind('/') + 1); }
inline std::string UrlPath(const std::string& url) { return url.substr(url.find('/', url.find("://") + 3)); }
inline std::string ItemName(int i) { return "item" + std::to_string(i) + ".bin"; }

// The site: 50 different files of 1 MiB and the list that names them, signed
// with the demo key, whose public half both builds carry in their resources.
inline bool MakeInstallSite(const ScratchFolder& scratch, const std::string& publishTool,
                            const std::string& privateKey) {
  const std::string site = scratch.Path("site");
  std::string path = UrlPath(ListUrl());
  const std::string folder = site + path.substr(0, path.rfind('/'));
  std::filesystem::create_directories(folder);
  std::string ini = "[GENERAL]\r\nVERSION=1.0.1.7\r\n";
  for (int i = 0; i < kInstallItems; ++i) {
    // Each file its own bytes: a pattern file with the item's number in front.
    const std::string file = folder + "/" + ItemName(i);
    if (!MakeFile(file, kInstallItemSize)) return false;
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out << "item " << i << "\n";
    ini += "[" + ItemName(i) + "]\r\nTYPE=FILE\r\nVERSION=1\r\nDOWNLOAD_FULL_URL=" + BaseUrl() + ItemName(i) + "\r\n";
  }
  std::ofstream(scratch.Path("list.ini"), std::ios::binary) << ini;
  std::string sign = Quote(publishTool) + " sign --key " + Quote(privateKey) + " --in " +
                     Quote(scratch.Path("list.ini")) + " --files " + Quote(folder) + " --out " +
                     Quote(site + path) + " >/dev/null";
  return std::system(sign.c_str()) == 0;
}

// Root, or sudo without a password: the lab needs one of them.
inline bool CanRunLab(const char* program) {
  if (geteuid() == 0 || std::system("sudo -n true 2>/dev/null") == 0) return true;
  std::fprintf(stderr, "%s: the network lab needs root or password-less sudo\n", program);
  return false;
}

// Brings the lab NAME up, serving the site of `scratch`, its host names those
// of the build at `buildDir`.
inline bool LabUp(const std::string& labTool, const std::string& name, const std::string& buildDir,
                  const ScratchFolder& scratch) {
  const std::string up = Quote(labTool) + " up " + name + " --build " + Quote(buildDir) + " --www " +
                         Quote(scratch.Path("site")) + " --owner " + std::to_string(getpid());
  return std::system(up.c_str()) == 0;
}

// The peer: the same files, fetched, checked and copied one by one by a
// shell loop, in the folder `loop` under the scratch folder. Returns the
// command to time; empty when the sums could not be prepared.
inline std::string PrepareShellLoop(const std::string& scratch) {
  const std::string loop = scratch + "/loop";
  std::filesystem::create_directories(loop + "/temp");
  std::filesystem::create_directories(loop + "/target");
  std::string sums;
  for (int i = 0; i < kInstallItems; ++i) {
    std::string file = scratch + "/site" + UrlPath(BaseUrl()) + ItemName(i);
    std::string sum = RunOutput("sha512sum " + Quote(file) + " | cut -d' ' -f1");
    if (sum.empty()) return "";
    sums += sum + "  " + loop + "/temp/" + ItemName(i) + "\n";
  }
  std::ofstream(loop + "/sums") << sums;
  std::string script = "set -e; base=" + Quote(BaseUrl()) + "; cd " + Quote(loop) + "; for i in $(seq 0 " +
                       std::to_string(kInstallItems - 1) +
                       "); do f=item$i.bin; curl -sf -o temp/$f \"$base$f\"; "
                       "grep \"/temp/$f\\$\" sums | sha512sum -c --quiet -; cp temp/$f target/$f; rm temp/$f; done";
  return "bash -c " + Quote(script);
}

}  // namespace bench
