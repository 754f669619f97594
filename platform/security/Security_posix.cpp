#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/core/Errno_posix.h"
#include "platform/sim/Prefix.h"
#include "platform/security/Security.h"

// The personality's users and groups. The machine has two local groups:
// "Administrators", whose members are the owner of the prefix and root, and
// "Users", to which every user of the host belongs. The user name is the
// effective user's login name, or its number when it has no entry in the
// host's user database; the prefix's error is returned when its owner cannot
// be determined.
namespace platform {

namespace {

bool LookUpUserByName(const std::string& name, uid_t& uid) {
  struct passwd entry;
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    uid = found->pw_uid;
    return true;
  }
  return false;
}

std::expected<uid_t, Win32Error> PrefixOwner() {
  struct stat st;
  if (::stat(PrefixRoot().c_str(), &st) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  return st.st_uid;
}

}  // namespace

std::string GetEffectiveUserName() {
  uid_t uid = ::geteuid();
  struct passwd entry;
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) return found->pw_name;
  return std::to_string(uid);
}

std::expected<std::vector<std::string>, Win32Error> GetUserLocalGroups(std::string_view userName) {
  uid_t uid = 0;
  if (userName.empty() || !LookUpUserByName(std::string(userName), uid)) return std::unexpected(kNerrUserNotFound);
  auto owner = PrefixOwner();
  if (!owner) return std::unexpected(owner.error());
  std::vector<std::string> groups;
  if (uid == 0 || uid == *owner) groups.push_back(kAdministratorsGroup);
  groups.push_back(kUsersGroup);
  return groups;
}

bool IsTokenAdministratorsMember() {
  uid_t uid = ::geteuid();
  if (uid == 0) return true;
  auto owner = PrefixOwner();
  return owner && uid == *owner;
}

}  // namespace platform
