#include "system/ProcessTerminator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "platform/sim/HostPath.h"
#include "platform/process/Process.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "tests/system/SystemTestSupport.h"

namespace {

bool IsListed(const std::string& imageName) {
  auto processes = platform::ListProcesses();
  if (!processes) return false;
  for (const platform::ProcessEntry& process : *processes)
    if (process.imageName == imageName) return true;
  return false;
}

// Everything runs inside a PID namespace of its own: termination by name
// can then only ever reach the programs this test started, never another
// process of the machine that happens to carry a browser's name.
TEST(ProcessTerminatorTest, EndsEveryProcessOfTheNameInAnyCaseAndNothingElse) {
  TempPrefix prefix;
  TempDir folder;
  int result = RunInPrivatePidNamespace([&]() -> int {
    std::map<std::string, std::unique_ptr<RunningProgram>> programs;
    for (const char* name : {"chrome.exe", "Chrome.exe", "360browser.exe", "firefox.exe", "xchrome.exe",
                             "chrome.exe.old"}) {
      std::string host = folder.Path() + "/" + name;
      CopyHostFile(VAMO_TEST_PROGRAM, host);
      programs[name] = std::make_unique<RunningProgram>(platform::ToWindowsPath(host), "sleep 60");
      if (!programs[name]->Started()) return 10;
    }
    if (!IsListed("Chrome.exe") || !IsListed("360browser.exe")) return 11;
    ToolOutput ps = RunTool({"ps"});
    if (ps.exitStatus != 0 || ps.out.find(" 360browser.exe\n") == std::string::npos ||
        !ps.out.ends_with("result: 0\n"))
      return 12;

    if (CProcessTerminator::TerminateProcesses("CHROME.EXE") != 1) return 20;
    if (programs["chrome.exe"]->Wait() != 128 + 9 || programs["Chrome.exe"]->Wait() != 128 + 9) return 21;
    for (const char* survivor : {"360browser.exe", "firefox.exe", "xchrome.exe", "chrome.exe.old"})
      if (!IsListed(survivor)) return 22;

    if (CProcessTerminator::TerminateProcesses("360Browser.EXE") != 1) return 30;
    if (programs["360browser.exe"]->Wait() != 128 + 9) return 31;

    ToolOutput kill = RunTool({"kill", "FireFox.exe"});
    if (kill.exitStatus != 0 || kill.out != "result: 1\n") return 40;
    if (programs["firefox.exe"]->Wait() != 128 + 9) return 41;

    if (CProcessTerminator::TerminateProcesses("iexplore.exe") != 1) return 50;
    if (CProcessTerminator::TerminateProcesses("") != 0) return 51;
    if (!IsListed("xchrome.exe") || !IsListed("chrome.exe.old")) return 52;
    return 0;
  });
  if (result == -1) GTEST_SKIP() << "no private PID namespace here (needs root)";
  EXPECT_EQ(result, 0) << "step " << result << " of the namespace body failed";
}

}  // namespace
