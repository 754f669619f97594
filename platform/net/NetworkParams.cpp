#include "platform/net/NetworkParams.h"

namespace platform::net {

namespace {

// FIXED_INFO of a 64-bit Windows (with its first IP_ADDR_STRING), and each
// further IP_ADDR_STRING.
constexpr uint32_t kFixedInfoSize = 600;
constexpr uint32_t kAddrStringSize = 48;

}  // namespace

uint32_t NetworkParamsSize(const NetworkParams& params) {
  const size_t further = params.dnsServers.size() > 1 ? params.dnsServers.size() - 1 : 0;
  return kFixedInfoSize + static_cast<uint32_t>(further) * kAddrStringSize;
}

}  // namespace platform::net
