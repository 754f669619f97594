// Hostile dialog templates and bitmaps: the parsers behind the dialogs
// must refuse what does not fit and never read past the resource.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  if (auto parsed = platform::gui::DialogTemplate::Parse(input)) {
    volatile size_t sink = parsed->title.size();
    for (const auto& item : parsed->items) sink = sink + item.text.size() + item.className.size();
  }
  // Keep the pixel count small enough for the fuzzer's memory limit.
  if (size >= 12) {
    const int32_t width = static_cast<int32_t>(data[4] | (data[5] << 8) | (data[6] << 16) | (data[7] << 24));
    const int32_t height = static_cast<int32_t>(data[8] | (data[9] << 8) | (data[10] << 16) | (data[11] << 24));
    if (width > 4096 || height > 4096 || height < -4096) return 0;
  }
  platform::gui::Bitmap bitmap;
  if (bitmap.LoadFromDib(input)) {
    volatile uint32_t sink = bitmap.GetPixel(0, 0);
    (void)sink;
  }
  return 0;
}
