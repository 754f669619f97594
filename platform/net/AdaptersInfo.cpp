#include "platform/net/AdaptersInfo.h"

namespace platform::net {

namespace {

// IP_ADAPTER_INFO of a 64-bit Windows, and each further IP_ADDR_STRING.
constexpr uint32_t kAdapterInfoSize = 704;
constexpr uint32_t kAddrStringSize = 48;

}  // namespace

uint32_t AdaptersInfoSize(const std::vector<AdapterInfo>& adapters) {
  uint32_t size = 0;
  for (const AdapterInfo& adapter : adapters) {
    size += kAdapterInfoSize;
    if (adapter.ipAddressList.size() > 1) {
      size += static_cast<uint32_t>(adapter.ipAddressList.size() - 1) * kAddrStringSize;
    }
  }
  return size;
}

}  // namespace platform::net
