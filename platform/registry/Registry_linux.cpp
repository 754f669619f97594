#include <unistd.h>

#include "platform/registry/Registry.h"

namespace platform {

std::string CurrentUserSid() {
  // A domain-style SID whose last part (the RID) is the uid: stable across
  // runs and distinct per host user, which is all HKEY_CURRENT_USER needs.
  return "S-1-5-21-1000-1000-1000-" + std::to_string(::getuid());
}

}  // namespace platform
