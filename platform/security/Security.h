#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"

// Users and local groups of the personality. The machine has two local
// groups: "Administrators", whose members are the owner of the prefix and
// root, and "Users", to which every user of the host belongs.
namespace platform {

inline constexpr char kAdministratorsGroup[] = "Administrators";
inline constexpr char kUsersGroup[] = "Users";
// NetUserGetLocalGroups: the user name is unknown.
inline constexpr Win32Error kNerrUserNotFound = 2221;

// The name of the user the process acts as (its effective user), as
// GetUserNameW gives it: the login name, or the number when the user has no
// entry in the host's user database.
std::string GetEffectiveUserName();

// NetUserGetLocalGroups(level 0, LG_INCLUDE_INDIRECT) for a user name of the
// local machine. kNerrUserNotFound when the host has no such user; the
// error of the prefix when its owner cannot be determined.
std::expected<std::vector<std::string>, Win32Error> GetUserLocalGroups(std::string_view userName);

// CheckTokenMembership of the current thread's token in the built-in
// Administrators group (S-1-5-32-544): the effective user is root or the
// prefix owner. false when the prefix cannot be examined.
bool IsTokenAdministratorsMember();

}  // namespace platform
