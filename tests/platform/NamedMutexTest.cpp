// The named mutex that keeps the wizard to one instance: one owner at a
// time, across processes; ownership ends with the owning process however it
// ends, and is not handed to the programs it starts.
#include "platform/sync/NamedMutex.h"
#include "platform/sync/NamedMutex_posix.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempPrefix.h"

extern char** environ;

namespace {

using namespace platform;

// A child process that takes the mutex, reports the result through a pipe,
// optionally starts `sleep` (which inherits everything that is inheritable),
// and then waits to be killed.
class Holder {
 public:
  explicit Holder(const char* name, bool bStartChild = false) {
    int fds[2];
    if (pipe(fds) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      close(fds[0]);
      NamedMutex mutex;
      const Win32Error error = mutex.Create(name);
      if (bStartChild) {
        std::string sleep = "/bin/sleep", seconds = "60";
        char* argv[] = {sleep.data(), seconds.data(), nullptr};
        pid_t grandchild = -1;
        posix_spawn(&grandchild, "/bin/sleep", nullptr, nullptr, argv, environ);
        (void)!write(fds[1], &grandchild, sizeof grandchild);
      }
      (void)!write(fds[1], &error, sizeof error);
      close(fds[1]);
      pause();
      _exit(0);
    }
    close(fds[1]);
    if (bStartChild) (void)!read(fds[0], &m_grandchild, sizeof m_grandchild);
    if (read(fds[0], &m_error, sizeof m_error) != sizeof m_error) m_error = kErrorGenFailure;
    close(fds[0]);
  }
  ~Holder() {
    Kill();
    if (m_grandchild > 0) kill(m_grandchild, SIGKILL);
  }
  void Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }
  Win32Error Error() const { return m_error; }
  bool GrandchildRuns() const { return m_grandchild > 0 && kill(m_grandchild, 0) == 0; }

 private:
  pid_t m_pid = -1;
  pid_t m_grandchild = -1;
  Win32Error m_error = kErrorGenFailure;
};

class NamedMutexTest : public ::testing::Test {
 protected:
  void SetUp() override { PrefixRoot(); }  // made before any fork
  TempPrefix m_prefix;
};

TEST_F(NamedMutexTest, NamesThatCannotBeMutexNamesAreRefusedAndOddOnesKeptApart) {
  NamedMutex mutex;
  EXPECT_EQ(mutex.Create(""), kErrorInvalidName);
  EXPECT_EQ(mutex.Create("a\\b"), kErrorInvalidName);
  EXPECT_NE(NamedMutexLockFilePath("a/b"), NamedMutexLockFilePath("a%2Fb"));
  EXPECT_NE(NamedMutexLockFilePath("../x"), NamedMutexLockFilePath("..%2Fx"));
  EXPECT_EQ(NamedMutexLockFilePath("../x").find("/../"), std::string::npos);
  NamedMutex slash;
  EXPECT_EQ(slash.Create("../escape/VamoSetup"), kErrorSuccess);
  EXPECT_EQ(NamedMutexLockFilePath("../escape/VamoSetup").rfind(PrefixRoot() + "/objects/", 0), 0u);
}

TEST_F(NamedMutexTest, AnotherProcessSeesTheMutexUntilItsOwnerIsKilled) {
  Holder holder("VamoSetup");
  ASSERT_EQ(holder.Error(), kErrorSuccess);
  NamedMutex mutex;
  EXPECT_EQ(mutex.Create("VamoSetup"), kErrorAlreadyExists);
  holder.Kill();  // no chance to release anything
  EXPECT_EQ(mutex.Create("VamoSetup"), kErrorSuccess);
  Holder late("VamoSetup");
  EXPECT_EQ(late.Error(), kErrorAlreadyExists);
}

TEST_F(NamedMutexTest, ProgramsTheOwnerStartedDoNotKeepItsMutex) {
  Holder holder("VamoSetup", true);
  ASSERT_EQ(holder.Error(), kErrorSuccess);
  holder.Kill();
  ASSERT_TRUE(holder.GrandchildRuns());
  NamedMutex mutex;
  EXPECT_EQ(mutex.Create("VamoSetup"), kErrorSuccess);
}

}  // namespace
