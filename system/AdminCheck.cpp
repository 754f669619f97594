#include "system/AdminCheck.h"

#include <string>

#include "platform/security/Security.h"
#include "platform/text/Utf.h"
#include "system/Trace.h"

int CAdminCheck::IsUserAdmin() {
  // The name the token acts as; a user without an entry in the user
  // database gets its number, which no group lookup finds.
  std::string userName(platform::TruncateUtf16(platform::GetEffectiveUserName(), 259));
  Trace("User Name = %s...", userName.c_str());

  auto groups = platform::GetUserLocalGroups(userName);
  if (!groups) {
    // Without the group list the token is the only evidence left; answering
    // "administrator" regardless would let anyone through.
    int rc = platform::IsTokenAdministratorsMember() ? 1 : 0;
    Trace("IsUserAdmin rc = %d...", rc);
    return rc;
  }
  for (const std::string& group : *groups) {
    if (platform::ToLowerAscii(group) == "administrators") return 1;
  }
  return 0;
}
