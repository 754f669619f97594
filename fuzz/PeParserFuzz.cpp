// Hostile PE images: the header parser and the resource-directory walk must
// fail cleanly on anything, never read outside the input or loop without end.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/pe/PeImage.h"
#include "platform/resources/ResourceTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  if (const auto image = platform::pe::ParsePeImage(file)) {
    platform::pe::RvaToFileOffset(*image, image->resource.virtualAddress, image->resource.size, size);
  }
  if (const auto table = platform::ResourceTable::FromPeImage(file)) {
    // Touch every byte every entry claims, so a span past the input shows.
    volatile uint8_t sink = 0;
    for (const platform::ResourceEntry& entry : table->Entries()) {
      for (uint8_t byte : entry.data) sink = sink ^ byte;
    }
    table->FindString(1, nullptr);
    table->FindString(17, nullptr);
    (void)table->Find(platform::ResourceName(platform::kRtVersion), platform::ResourceName(1), nullptr);
  }
  return 0;
}
