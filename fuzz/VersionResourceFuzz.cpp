// Hostile version blocks, taken raw and as found in PE images and .res
// files: every query must stay inside the block.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/pe/VersionResource.h"
#include "platform/resources/ResourceTable.h"

namespace {

void QueryAll(std::span<const uint8_t> block) {
  static const char* const kPaths[] = {
      "\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\041204b0\\FileDescription",
      "\\StringFileInfo\\00000000\\FileVersion", "\\StringFileInfo\\040904b0\\ProductName", "\\a\\b\\c\\d\\e\\f\\g\\h\\i"};
  for (const char* path : kPaths) {
    if (const auto value = platform::QueryVersionValue(block, path)) {
      volatile uint8_t sink = 0;
      for (uint8_t byte : value->bytes) sink = sink ^ byte;
      platform::VersionValueText(*value);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  QueryAll(input);
  for (const auto& table : {platform::ResourceTable::FromPeImage(input), platform::ResourceTable::FromResFile(input)}) {
    if (!table) continue;
    if (const auto block = table->Find(platform::ResourceName(platform::kRtVersion), platform::ResourceName(1), nullptr)) {
      QueryAll(*block);
    }
  }
  return 0;
}
