#include "tests/support/NetworkLab.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

std::string Seconds(std::chrono::seconds limit) { return std::to_string(limit.count()); }

std::string UniqueLabName() {
  static std::atomic<int> s_nNext{0};
  return "t" + std::to_string(getpid()) + "-" + std::to_string(s_nNext++);
}

std::map<std::string, std::string> ParseStatus(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string EnvName(const std::string& key) {
  std::string name = "LAB_";
  for (char c : key) name += c == '-' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

std::string CurrentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (info == nullptr) return {};
  return std::string(info->test_suite_name()) + "." + info->name();
}

std::string OwnExecutable() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return {};
  return std::string(path, static_cast<size_t>(n));
}

}  // namespace

NetworkLab::NetworkLab(const NetworkLabOptions& options) : m_strName(UniqueLabName()) {
  std::vector<std::string> args = {"up", m_strName, "--owner", std::to_string(getpid()),
                                   "--build", VAMO_LAB_BUILD_DIR,
                                   "--dns", std::to_string(options.nDnsServers)};
  if (options.bSecondAdapter) args.push_back("--second-adapter");
  if (!options.strUpdateRoot.empty()) {
    args.push_back("--www");
    args.push_back(options.strUpdateRoot);
  }
  args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
  args.insert(args.end(), options.switches.begin(), options.switches.end());
  ToolOutput up = RunLabTool(args);
  if (up.exitStatus != 0) {
    m_strError = "lab up " + m_strName + " failed: " + up.err;
    return;
  }
  m_bUp = RefreshStatus();
}

NetworkLab::~NetworkLab() {
  ToolOutput down = RunLabTool({"down", m_strName});
  if (down.exitStatus != 0) ADD_FAILURE() << "lab down " << m_strName << " failed: " << down.err;
}

std::string NetworkLab::Value(const std::string& key) const {
  auto it = m_status.find(key);
  return it == m_status.end() ? std::string() : it->second;
}

bool NetworkLab::Set(const std::vector<std::string>& switches) {
  std::vector<std::string> args = {"set", m_strName};
  args.insert(args.end(), switches.begin(), switches.end());
  ToolOutput set = RunLabTool(args);
  if (set.exitStatus != 0) {
    m_strError = "lab set failed: " + set.err;
    return false;
  }
  return RefreshStatus();
}

bool NetworkLab::Publish(const std::string& dir) {
  ToolOutput publish = RunLabTool({"publish", m_strName, dir});
  if (publish.exitStatus != 0) {
    m_strError = "lab publish failed: " + publish.err;
    return false;
  }
  return RefreshStatus();
}

ToolOutput NetworkLab::Run(const std::vector<std::string>& command, const std::vector<std::string>& extraEnv,
                           std::chrono::seconds limit) const {
  std::vector<std::string> args = {"exec", m_strName, "--"};
  args.insert(args.end(), command.begin(), command.end());
  return RunLabTool(args, extraEnv, limit);
}

ToolOutput NetworkLab::RunShell(const std::string& script, const std::vector<std::string>& extraEnv) const {
  std::vector<std::string> env;
  for (const auto& [key, value] : m_status) env.push_back(EnvName(key) + "=" + value);
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  return Run({"bash", "-c", script}, env);
}

::testing::AssertionResult NetworkLab::RunCurrentTestInside(const std::vector<std::string>& extraEnv,
                                                            std::chrono::seconds limit) const {
  return RunInside(extraEnv, false, limit);
}

::testing::AssertionResult NetworkLab::RunCurrentTestInsideOwnProcesses(
    const std::vector<std::string>& extraEnv) const {
  return RunInside(extraEnv, true, kLabCommandLimit);
}

::testing::AssertionResult NetworkLab::RunInside(const std::vector<std::string>& extraEnv, bool bOwnProcesses,
                                                 std::chrono::seconds limit) const {
  std::string test = CurrentTestName();
  std::string exe = OwnExecutable();
  if (test.empty() || exe.empty()) return ::testing::AssertionFailure() << "no current test to run inside the lab";
  std::vector<std::string> env = extraEnv;
  env.push_back("VAMO_LAB_TEST=" + test);
  ToolOutput inner;
  if (bOwnProcesses) {
    // The shell must stay (not exec `lab`): it is the namespace's first
    // process, in the machine's network.
    inner = RunProgram("/usr/bin/timeout",
                       {"-k", "5", Seconds(limit), "unshare", "--pid", "--fork", "--mount-proc", "--", "bash", "-c",
                        "\"$@\"; exit $?", "inside", VAMO_LAB_TOOL, "exec", m_strName, "--", exe,
                        "--gtest_filter=" + test, "--gtest_color=no"},
                       env);
    if (inner.exitStatus == 124 || inner.exitStatus == 137)
      inner.err += "(timed out after " + Seconds(limit) + " s)\n";
  } else {
    inner = Run({exe, "--gtest_filter=" + test, "--gtest_color=no"}, env, limit);
  }
  // Exit status 0 alone would also be a filter that matched nothing.
  if (inner.exitStatus == 0 && inner.out.find("[  PASSED  ] 1 test.") != std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << test << " inside lab " << m_strName << ": exit status "
                                       << inner.exitStatus << "\n"
                                       << inner.out << inner.err;
}

namespace {

std::unique_ptr<NetworkLab>& SharedLabSlot() {
  static std::unique_ptr<NetworkLab> s_lab;
  return s_lab;
}

}  // namespace

NetworkLab& SharedNetworkLab() {
  std::unique_ptr<NetworkLab>& lab = SharedLabSlot();
  if (!lab) lab = std::make_unique<NetworkLab>();
  return *lab;
}

void EndSharedNetworkLab() { SharedLabSlot().reset(); }

bool NetworkLab::InsideLab() {
  const char* marker = std::getenv("VAMO_LAB_TEST");
  return marker != nullptr && std::getenv("VAMO_LAB") != nullptr && marker == CurrentTestName();
}

std::string NetworkLab::InsideValue(const std::string& key) {
  const char* name = std::getenv("VAMO_LAB");
  if (name == nullptr) return {};
  std::map<std::string, std::string> status = StatusOf(name);
  auto it = status.find(key);
  return it == status.end() ? std::string() : it->second;
}

std::string NetworkLab::WhyUnavailable() {
  static const std::string s_strWhy = [] {
    if (geteuid() == 0) return std::string();
    if (access("/usr/bin/sudo", X_OK) == 0 && RunProgram("/usr/bin/sudo", {"-n", "true"}).exitStatus == 0)
      return std::string();
    return std::string("the network lab needs root or password-less sudo");
  }();
  return s_strWhy;
}

ToolOutput NetworkLab::RunLabTool(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                                  std::chrono::seconds limit) {
  std::vector<std::string> command = {"-k", "5", Seconds(limit), VAMO_LAB_TOOL};
  command.insert(command.end(), args.begin(), args.end());
  ToolOutput result = RunProgram("/usr/bin/timeout", command, extraEnv);
  if (result.exitStatus == 124 || result.exitStatus == 137)
    result.err += "(timed out: the command, or the lab command after " + Seconds(limit) + " s)\n";
  return result;
}

std::map<std::string, std::string> NetworkLab::StatusOf(const std::string& name) {
  ToolOutput status = RunLabTool({"status", name});
  if (status.exitStatus != 0) return {};
  return ParseStatus(status.out);
}

bool NetworkLab::RefreshStatus() {
  m_status = StatusOf(m_strName);
  if (m_status.empty()) {
    m_strError = "lab status " + m_strName + " failed";
    return false;
  }
  return true;
}
