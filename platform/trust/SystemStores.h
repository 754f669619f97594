#pragma once

#include <cstdint>
#include <vector>

// The system's own certificate stores, for the code that checks certificates
// with OpenSSL: the trusted roots it adds to its other roots, and the
// Untrusted Publishers store it distrusts.
namespace platform::trust {

enum class SystemStore {
  kRoot,        // "ROOT": trusted root certification authorities
  kDisallowed,  // "Disallowed": explicitly distrusted certificates
};

// The DER encoding of every certificate in the store, in the store's order.
// Empty when the store holds none or cannot be opened; a certificate that
// cannot be read is left out.
std::vector<std::vector<uint8_t>> ReadSystemStoreCertificates(SystemStore store);

}  // namespace platform::trust
