// vamo-tool ps, kill, isadmin, copy, del, regsvr, run, regwrite: the system
// operations of an install, one at a time, on Windows paths.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/process/Process.h"
#include "system/AdminCheck.h"
#include "system/ProcessTerminator.h"
#include "system/RegistryWriter.h"
#include "system/Utility.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

// Prints the operation's result and gives the exit status for it.
int Finish(int result, bool succeeded) {
  PrintResult(result);
  return succeeded ? kExitOk : kExitFailed;
}

int RunPs(const std::vector<std::string>& args);
int RunKill(const std::vector<std::string>& args);
int RunIsAdmin(const std::vector<std::string>& args);
int RunCopy(const std::vector<std::string>& args);
int RunDel(const std::vector<std::string>& args);
int RunRegsvr(const std::vector<std::string>& args);
int RunRun(const std::vector<std::string>& args);
int RunRegwrite(const std::vector<std::string>& args);

const ToolCommand kPs = {"ps", "ps  (PID and image name of every process; result 0 or the Win32 error)", RunPs};
const ToolCommand kKill = {"kill", "kill NAME  (ends every process of that image name; result 1 when done)",
                           RunKill};
const ToolCommand kIsAdmin = {"isadmin", "isadmin  (result 1 and exit 0 for an administrator, else 0 and 1)",
                              RunIsAdmin};
const ToolCommand kCopy = {"copy", "copy SOURCE TARGETFOLDER TARGET", RunCopy};
const ToolCommand kDel = {"del", "del PATH", RunDel};
const ToolCommand kRegsvr = {"regsvr", "regsvr [/u] PATH", RunRegsvr};
const ToolCommand kRun = {"run", "run PROGRAM [ARGS...]  (waits for the program's end)", RunRun};
const ToolCommand kRegwrite = {"regwrite", "regwrite ROOT SUBKEY TYPE NAME DATA  (result 1 when done)", RunRegwrite};

int RunPs(const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kPs);
  auto processes = platform::ListProcesses();
  if (!processes) return Finish(static_cast<int>(processes.error()), false);
  for (const platform::ProcessEntry& process : *processes)
    std::printf("%u %s\n", process.pid, process.imageName.c_str());
  return Finish(0, true);
}

int RunKill(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kKill);
  int result = CProcessTerminator::TerminateProcesses(args[0]);
  return Finish(result, result == 1);
}

int RunIsAdmin(const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError(kIsAdmin);
  int result = CAdminCheck::IsUserAdmin();
  return Finish(result, result == 1);
}

int RunCopy(const std::vector<std::string>& args) {
  if (args.size() != 3) return UsageError(kCopy);
  int result = CUtility::CopyFile(args[0], args[1], args[2]);
  return Finish(result, result == 0);
}

int RunDel(const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError(kDel);
  int result = CUtility::DeleteFile(args[0]);
  return Finish(result, result == 0);
}

int RunRegsvr(const std::vector<std::string>& args) {
  bool unregister = false;
  size_t next = 0;
  if (!args.empty() && (args[0] == "/u" || args[0] == "/U" || args[0] == "-u")) {
    unregister = true;
    next = 1;
  }
  if (args.size() != next + 1) return UsageError(kRegsvr);
  int result = RegDLL(args[next], unregister ? 0 : 1);
  return Finish(result, result == 0);
}

int RunRun(const std::vector<std::string>& args) {
  if (args.empty()) return UsageError(kRun);
  std::vector<std::string> programArgs(args.begin() + 1, args.end());
  int result = CUtility::ExecuteWait(args[0], platform::BuildArgumentText(programArgs));
  return Finish(result, result == 0);
}

int RunRegwrite(const std::vector<std::string>& args) {
  if (args.size() != 5) return UsageError(kRegwrite);
  bool done = CRegistryWriter::Write(args[0], args[1], args[2], args[3], args[4]);
  return Finish(done ? 1 : 0, done);
}

const CommandRegistrar kRegisterPs(kPs);
const CommandRegistrar kRegisterKill(kKill);
const CommandRegistrar kRegisterIsAdmin(kIsAdmin);
const CommandRegistrar kRegisterCopy(kCopy);
const CommandRegistrar kRegisterDel(kDel);
const CommandRegistrar kRegisterRegsvr(kRegsvr);
const CommandRegistrar kRegisterRun(kRun);
const CommandRegistrar kRegisterRegwrite(kRegwrite);

}  // namespace
