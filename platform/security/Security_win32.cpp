#include "platform/security/Security.h"

#include <windows.h>
#include <lm.h>

#include "platform/core/Wide_win32.h"

namespace platform {

std::string GetEffectiveUserName() {
  // UNLEN + 1: the longest user name with its NUL.
  wchar_t name[UNLEN + 1];
  DWORD length = static_cast<DWORD>(std::size(name));
  if (!::GetUserNameW(name, &length) || length == 0) return {};
  return Narrow(std::wstring_view(name, length - 1));
}

std::expected<std::vector<std::string>, Win32Error> GetUserLocalGroups(std::string_view userName) {
  if (userName.empty()) return std::unexpected(kNerrUserNotFound);
  LPBYTE buffer = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  NET_API_STATUS status = ::NetUserGetLocalGroups(nullptr, Widen(userName).c_str(), 0, LG_INCLUDE_INDIRECT, &buffer,
                                                  MAX_PREFERRED_LENGTH, &read, &total);
  if (status != NERR_Success) {
    if (buffer) ::NetApiBufferFree(buffer);
    return std::unexpected(static_cast<Win32Error>(status));
  }
  std::vector<std::string> groups;
  const auto* entries = reinterpret_cast<const LOCALGROUP_USERS_INFO_0*>(buffer);
  for (DWORD i = 0; i < read; ++i) groups.push_back(Narrow(entries[i].lgrui0_name));
  ::NetApiBufferFree(buffer);
  return groups;
}

bool IsTokenAdministratorsMember() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                  0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  // A null token: the thread's impersonation token, else the process's.
  const bool checked = ::CheckTokenMembership(nullptr, administrators, &member) != FALSE;
  ::FreeSid(administrators);
  return checked && member;
}

}  // namespace platform
