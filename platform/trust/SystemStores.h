#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The system's own certificate stores, as files of PEM certificates, for
// the code that checks certificates with OpenSSL: the trusted roots it adds
// to OpenSSL's default bundle, and the Untrusted Publishers store it
// distrusts.
namespace platform::trust {

enum class SystemStore {
  kRoot,        // trusted roots beyond the TLS library's own bundle
  kDisallowed,  // explicitly distrusted certificates
};

// The contents of every certificate file of the store, in the order of their
// names; files that cannot be read are left out. Empty when the store holds
// none.
std::vector<std::vector<uint8_t>> ReadSystemStoreFiles(SystemStore store);

}  // namespace platform::trust
