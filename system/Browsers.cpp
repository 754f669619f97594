#include "system/Browsers.h"

#include <string>

#include "platform/text/Utf.h"

namespace {

// Slots of CBrowsers::kProcesses, in the order the browsers are ended.
constexpr std::array<int, CBrowsers::kProcessCount> kEndOrder = {3, 1, 2, 4, 0, 5, 6, 7, 8};

constexpr bool EndsEveryBrowserOnce() {
  std::array<int, CBrowsers::kProcessCount> seen{};
  for (int slot : kEndOrder) {
    if (slot < 0 || slot >= CBrowsers::kProcessCount || seen[static_cast<size_t>(slot)]++ != 0) return false;
  }
  return true;
}
static_assert(EndsEveryBrowserOnce());

}  // namespace

std::array<const char*, CBrowsers::kProcessCount> CBrowsers::ImagesInEndOrder() {
  std::array<const char*, kProcessCount> images{};
  for (size_t i = 0; i < images.size(); ++i) images[i] = kProcesses[static_cast<size_t>(kEndOrder[i])].pszImage;
  return images;
}

int CBrowsers::IndexOf(std::string_view processName) {
  const std::string name = platform::ToLowerAscii(processName);
  for (int i = 0; i < kProcessCount; ++i)
    if (name == kProcesses[static_cast<size_t>(i)].pszImage) return i;
  return -1;
}

const char* CBrowsers::ImageOf(BrowserKind kind) {
  for (const Process& process : kProcesses)
    if (process.kind == kind) return process.pszImage;
  return "";
}
