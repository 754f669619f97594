// The error numbers every platform service reports, and their texts.
#include <gtest/gtest.h>

#include "platform/core/Win32Error.h"

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

}  // namespace
