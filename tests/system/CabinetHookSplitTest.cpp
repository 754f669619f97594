#include <gtest/gtest.h>

#include <string>

#include "system/CabinetInstaller.h"

namespace {

struct RunCase {
  const char* run;
  const char* program;
  const char* arguments;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.run; }

class HookSplitTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(HookSplitTest, SplitsLikeTheShell) {
  std::string program, arguments;
  CCabinetInstaller::SplitRun(GetParam().run, "c:\\dl\\x\\", program, arguments);
  EXPECT_EQ(program, GetParam().program);
  EXPECT_EQ(arguments, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HookSplitTest,
    ::testing::Values(RunCase{"%EXTRACT_DIR%\\setup.exe /silent", "c:\\dl\\x\\\\setup.exe", " /silent"},
                      RunCase{"%extract_dir%setup.exe", "c:\\dl\\x\\setup.exe", ""},
                      RunCase{"\"%EXTRACT_DIR%\\my setup.exe\" /q %EXTRACT_DIR%", "c:\\dl\\x\\\\my setup.exe",
                              " /q %EXTRACT_DIR%"},
                      RunCase{"C:\\Windows\\run.exe run.exe", "C:\\Windows\\run.exe", " run.exe"},
                      RunCase{"a.exe a.exe /x", "a.exe", " a.exe /x"}));

}  // namespace
