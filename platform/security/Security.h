#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Users and local groups of this machine, and the process token's standing.
namespace platform {

inline constexpr char kAdministratorsGroup[] = "Administrators";
inline constexpr char kUsersGroup[] = "Users";
// NetUserGetLocalGroups: the user name is unknown.
inline constexpr Win32Error kNerrUserNotFound = 2221;

// GetUserNameW: the name of the user the process acts as; empty when the
// system cannot tell.
std::string GetEffectiveUserName();

// NetUserGetLocalGroups(level 0, LG_INCLUDE_INDIRECT) for a user name of the
// local machine: the names of the local groups the user belongs to, directly
// or through a global group. kNerrUserNotFound when there is no such user,
// the call's own error otherwise.
std::expected<std::vector<std::string>, Win32Error> GetUserLocalGroups(std::string_view userName);

// CheckTokenMembership of the current thread's token in the built-in
// Administrators group (S-1-5-32-544). false when the check itself fails.
bool IsTokenAdministratorsMember();

}  // namespace platform
