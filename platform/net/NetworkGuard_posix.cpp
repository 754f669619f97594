#include "platform/net/NetworkGuard.h"

#include <cstdlib>
#include <cstring>

#include "platform/sim/NetworkNamespace.h"

namespace platform::net {

// A network made for the program is a network namespace other than the
// machine's own.
bool MayProbeNetwork(bool bHostNetwork) {
  if (bHostNetwork) return true;
  const char* value = std::getenv(kHostNetworkVariable);
  if (value != nullptr && std::strcmp(value, "1") == 0) return true;
  return IsPrivateNetworkNamespace();
}

}  // namespace platform::net
