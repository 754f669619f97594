#include "platform/process/CommandLine.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct CommandCase {
  const char* command;
  const char* program;  // PathRemoveArgs
  const char* args;     // PathGetArgs
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.command; }

class CommandLineTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLineTest, SplitsProgramAndArguments) {
  EXPECT_EQ(platform::PathRemoveArgs(GetParam().command), GetParam().program);
  EXPECT_EQ(platform::PathGetArgs(GetParam().command), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(CommandCase{"setup.exe /silent", "setup.exe", "/silent"},
                      CommandCase{"setup.exe", "setup.exe", ""},
                      CommandCase{"setup.exe ", "setup.exe", ""},
                      CommandCase{"\"C:\\Program Files\\a b.exe\" /s /q", "\"C:\\Program Files\\a b.exe\"", "/s /q"},
                      CommandCase{"C:\\Program Files\\a.exe /s", "C:\\Program", "Files\\a.exe /s"},
                      CommandCase{"a.exe  two", "a.exe", " two"}, CommandCase{"", "", ""}));

TEST(CommandLineTest, UnquotesOnlyAnEnclosingPair) {
  EXPECT_EQ(platform::PathUnquoteSpaces("\"C:\\a b\\x.exe\""), "C:\\a b\\x.exe");
  EXPECT_EQ(platform::PathUnquoteSpaces("\"C:\\a b\\x.exe"), "\"C:\\a b\\x.exe");
  EXPECT_EQ(platform::PathUnquoteSpaces("x.exe"), "x.exe");
  EXPECT_EQ(platform::PathUnquoteSpaces("\""), "\"");
}

}  // namespace
