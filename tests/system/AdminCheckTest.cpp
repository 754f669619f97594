#include "system/AdminCheck.h"

#include <grp.h>

#include <gtest/gtest.h>

#include <filesystem>

#include <string>

#include "platform/sysinfo/WindowsVersion.h"
#include "tests/support/TempPrefix.h"
#include "tests/system/SystemTestSupport.h"

namespace {

constexpr uid_t kNobody = 65534;
// A user number without an entry in the user database: its group lookup fails.
constexpr uid_t kUnknownUser = 54321;

// Runs the check in a child process that acts as another user.
int IsUserAdminAs(uid_t uid, gid_t gid) {
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    // The foundation names a user without a database entry after $USER; keep
    // it pointing at the prefix's user, where the trace switch is.
    setenv("USER", platform::UserName().c_str(), 1);
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(100);
    _exit(CAdminCheck::IsUserAdmin());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct AdminCheckTest : ::testing::Test {
  // Other users must be able to read the prefix (for the trace switch).
  void OpenPrefixToEveryone() {
    namespace fs = std::filesystem;
    auto open = [](const fs::path& path) {
      fs::perms add = fs::perms::others_read | fs::perms::group_read;
      if (fs::is_directory(path)) add |= fs::perms::others_exec | fs::perms::group_exec;
      fs::permissions(path, add, fs::perm_options::add);
    };
    open(fs::path(prefix.Root()).parent_path());
    open(prefix.Root());
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Root())) open(entry.path());
    trace.OpenToEveryone();
  }

  TempPrefix prefix;
  TraceLog trace;
};

TEST_F(AdminCheckTest, ThePrefixOwnerIsAnAdministrator) {
  EXPECT_EQ(CAdminCheck::IsUserAdmin(), 1);
  EXPECT_NE(trace.Text().find("User Name = "), std::string::npos);
  EXPECT_EQ(trace.Text().find("IsUserAdmin rc"), std::string::npos);
}

TEST_F(AdminCheckTest, AnotherUserIsNot) {
  if (geteuid() != 0) GTEST_SKIP() << "switching to nobody needs root";
  OpenPrefixToEveryone();
  EXPECT_EQ(IsUserAdminAs(kNobody, kNobody), 0);
}

// Without a group list only the token can tell; it must not be overruled.
TEST_F(AdminCheckTest, AFailedGroupLookupAnswersWithTheTokenCheck) {
  if (geteuid() != 0) GTEST_SKIP() << "switching users needs root";
  OpenPrefixToEveryone();
  EXPECT_EQ(IsUserAdminAs(kUnknownUser, kUnknownUser), 0);
  ASSERT_EQ(chown(prefix.Root().c_str(), kUnknownUser, kUnknownUser), 0);
  EXPECT_EQ(IsUserAdminAs(kUnknownUser, kUnknownUser), 1);
  EXPECT_TRUE(trace.Has("User Name = 54321...")) << trace.Text();
  EXPECT_TRUE(trace.Has("IsUserAdmin rc = 0..."));
  EXPECT_TRUE(trace.Has("IsUserAdmin rc = 1..."));
}

}  // namespace
