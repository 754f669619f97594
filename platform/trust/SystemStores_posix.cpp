#include "platform/trust/SystemStores.h"

#include "platform/sim/Prefix.h"

namespace platform::trust {

// The stores are the prefix's certs/root/ and certs/disallowed/ folders.
std::vector<std::vector<uint8_t>> ReadSystemStoreFiles(SystemStore store) {
  return ReadPrefixCertificateFiles(store == SystemStore::kRoot ? "root" : "disallowed");
}

}  // namespace platform::trust
