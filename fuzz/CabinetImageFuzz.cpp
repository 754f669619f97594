// Feeds arbitrary bytes to the cabinet reader as a cabinet held in memory:
// the header walk, the folder and data blocks and every decompressor see
// hostile input, and every file it offers is extracted into one scratch
// file, so the whole path from bytes to written file runs.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "platform/cabinet/Cabinet.h"

namespace {

std::string g_scratch;

class ScratchCallback : public platform::cabinet::ICabinetCallback {
 public:
  std::optional<std::string> FileInCabinet(const platform::cabinet::CabinetFile& file) override {
    // Big files are listed but not written: the fuzzer looks for faults,
    // not for disk space.
    if (file.size > (1u << 20) || ++m_nOffered > 16) return std::nullopt;
    return "Z:" + g_scratch;  // drive Z: is the host root
  }
  void FileExtracted(const platform::cabinet::CabinetFile&, const std::string&, platform::Win32Error) override {}
  void NameRefused(const platform::cabinet::CabinetFile&) override {}

 private:
  int m_nOffered = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_scratch = "/tmp/vamo-cabinet-fuzz-" + std::to_string(getpid()) + ".bin";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ScratchCallback callback;
  platform::cabinet::IterateCabinet(std::span<const uint8_t>(data, size), callback);
  std::remove(g_scratch.c_str());
  return 0;
}
