// The error numbers every platform service reports, their texts, and the
// trace output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/core/Win32Error.h"
#include "platform/debug/DebugOutput.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"
#include "tests/support/ScratchSpace.h"

namespace {

using namespace platform;

TEST(Win32Errors, LastErrorIsKeptPerThread) {
  SetLastError(kErrorSharingViolation);
  EXPECT_EQ(GetLastError(), kErrorSharingViolation);
  SetLastError(kErrorSuccess);
  EXPECT_EQ(GetLastError(), kErrorSuccess);
}

// The system's text, one line without its line break, the inserts left in.
TEST(Win32Errors, SystemMessageIsOneLineOfTheSystemsText) {
  for (Win32Error error : {kErrorFileNotFound, kErrorAccessDenied, kErrorSharingViolation, kErrorDiskFull,
                           kErrorBadExeFormat, kErrorTimeout}) {
    std::string text = SystemMessage(error);
    EXPECT_FALSE(text.empty()) << error;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << error << ": " << text;
    EXPECT_NE(text.back(), ' ') << error;
  }
  EXPECT_NE(SystemMessage(kErrorBadExeFormat).find("%1"), std::string::npos);
  EXPECT_EQ(SystemMessage(0x2FFFFFFFu), "");
}

// Trace lines go to the file VAMO_DEBUG_LOG names, appended whole, and the
// file is created when missing; an empty value writes no file.
TEST(DebugOutput, AppendsEachLineToTheTraceFile) {
  ScratchSpace scratch;
  // The variable is the user's: it names the file as the user sees it.
  std::string setting = "VAMO_DEBUG_LOG=" + PathForUser(scratch.PathOf("trace.log"));
  ASSERT_EQ(putenv(setting.data()), 0);
  WriteDebugString("first line\n");
  WriteDebugString("second line, \xED\x95\x9C\n");
  static char unset[] = "VAMO_DEBUG_LOG=";
  putenv(unset);
  WriteDebugString("not logged\n");
  auto bytes = fs::ReadFileBytes(scratch.PathOf("trace.log"));
  ASSERT_TRUE(bytes) << bytes.error();
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "first line\nsecond line, \xED\x95\x9C\n");
}

}  // namespace
