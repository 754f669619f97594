#include "tests/support/WineDesktop.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Exit status of a child once it ended; nullopt at the deadline. -1 for a
// child that did not exit normally.
std::optional<int> WaitChild(int pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (done < 0) return -1;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(5ms);
  }
}

void EndChild(int pid) {
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
}

// Runs a program to its end within `timeout` (killed by its PID after).
ToolOutput RunBounded(const std::vector<std::string>& command, const std::vector<std::string>& env,
                      const std::string& scratch, std::chrono::milliseconds timeout) {
  static int counter = 0;
  const std::string stem = scratch + "/run" + std::to_string(++counter);
  ToolOutput result;
  const int pid = SpawnToFiles(command, env, stem + ".out", stem + ".err");
  if (pid < 0) {
    result.err = "cannot start " + command.front();
    return result;
  }
  const std::optional<int> status = WaitChild(pid, timeout);
  if (!status) EndChild(pid);
  result.exitStatus = status.value_or(-1);
  result.out = ReadAll(stem + ".out");
  result.err = ReadAll(stem + ".err");
  fs::remove(stem + ".out");
  fs::remove(stem + ".err");
  return result;
}

// xdotool's --name takes a regular expression; a title is matched whole
// and literally.
std::string ExactTitlePattern(const std::string& title) {
  std::string pattern = "^";
  for (char c : title) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

std::string MakeRoot() {
  std::string root = (fs::temp_directory_path() / "vamo-wine-desktop.XXXXXX").string();
  return mkdtemp(root.data()) ? root : "";
}

}  // namespace

std::string Win32BuildDir() {
  if (const char* dir = std::getenv("VAMO_WIN32_BUILD"); dir != nullptr && *dir != '\0')
    return fs::is_directory(dir) ? dir : "";
  return fs::is_directory(VAMO_WIN32_BUILD_DEFAULT) ? VAMO_WIN32_BUILD_DEFAULT : "";
}

std::string Win32Program(const std::string& relativePath) {
  const std::string dir = Win32BuildDir();
  if (dir.empty()) return "";
  const std::string path = dir + "/" + relativePath;
  return fs::is_regular_file(path) ? path : "";
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

const std::string& SharedWineTemplate() {
  // A caller that booted one already (inside the lab, for a test it runs
  // there again) names it as wine-run's callers do.
  static const std::string given = [] {
    const char* templ = std::getenv("VAMO_WINE_TEMPLATE");
    return templ && fs::exists(std::string(templ) + "/system.reg") ? std::string(templ) : std::string();
  }();
  if (!given.empty()) return given;
  static const std::string root = MakeRoot();
  static const std::string prefix = [] {
    if (root.empty()) return std::string();
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(root, ignored);
    });
    const ToolOutput boot =
        RunBounded({VAMO_WINE_RUN, "--template", root + "/prefix"}, MergedEnvironment({}), root, 300s);
    return boot.exitStatus == 0 ? root + "/prefix" : std::string();
  }();
  return prefix;
}

WineDesktop::WineDesktop(const Options& options) : m_options(options), m_xserver(options.strScreen) {
  if (!m_xserver.Ok()) {
    m_strError = m_xserver.Error();
    return;
  }
  const std::string helper = HelperPath();
  if (helper.empty()) {
    m_strError = "no wine-desktop-helper.exe in the Windows build";
    return;
  }
  const std::string templ = m_options.strTemplate.empty() ? SharedWineTemplate() : m_options.strTemplate;
  if (templ.empty() || !fs::exists(templ + "/system.reg")) {
    m_strError = "no booted Wine prefix to copy (wineboot failed?)";
    return;
  }
  m_strRoot = MakeRoot();
  if (m_strRoot.empty()) {
    m_strError = "no folder for the Wine prefix";
    return;
  }
  m_strPrefix = m_strRoot + "/prefix";
  // A full copy: the template's files must stay the template's (see wine-run).
  const ToolOutput copied = RunBounded({"cp", "-a", templ, m_strPrefix}, MergedEnvironment({}), m_strRoot, 120s);
  if (copied.exitStatus != 0) {
    m_strError = "copying the Wine prefix failed: " + copied.err;
    return;
  }
  if (m_options.bKoreanFaces) {
    const ToolOutput mapped = Run({helper, "korean-faces"});
    if (mapped.exitStatus != 0) {
      m_strError = "mapping the Korean faces failed: " + mapped.out + mapped.err;
      return;
    }
  }
  m_bReady = true;
}

WineDesktop::~WineDesktop() {
  for (Program& program : m_started) {
    if (program.bEnded || WaitChild(program.pid, 0ms)) continue;
    kill(program.pid, SIGTERM);
    if (!WaitChild(program.pid, 5s)) EndChild(program.pid);
  }
  if (!m_strPrefix.empty() && fs::exists(m_strPrefix + "/system.reg")) {
    // The prefix's own server, named by WINEPREFIX: no other prefix's.
    const std::string server = fs::exists("/usr/bin/wineserver") ? "/usr/bin/wineserver" : "/usr/lib/wine/wineserver64";
    const std::vector<std::string> env = MergedEnvironment({"WINEPREFIX=" + m_strPrefix});
    RunBounded({server, "-k"}, env, m_strRoot, 30s);
    RunBounded({server, "-w"}, env, m_strRoot, 30s);
  }
  std::error_code ignored;
  if (!m_strRoot.empty()) fs::remove_all(m_strRoot, ignored);
}

std::vector<std::string> WineDesktop::Environment() const {
  std::vector<std::string> extra{"VAMO_WINE_DISPLAY=" + m_xserver.Display(), "DISPLAY=" + m_xserver.Display()};
  if (!m_options.strLabAddress.empty()) extra.push_back("VAMO_WINE_LAB_ADDRESS=" + m_options.strLabAddress);
  return MergedEnvironment(extra);
}

std::string WineDesktop::HelperPath() const { return Win32Program("tests/support/wine-desktop-helper.exe"); }

int WineDesktop::Start(const std::vector<std::string>& command) {
  if (m_strPrefix.empty()) return -1;
  std::vector<std::string> full{VAMO_WINE_RUN, "--in", m_strPrefix};
  full.insert(full.end(), command.begin(), command.end());
  const std::string stem = m_strRoot + "/program" + std::to_string(m_started.size());
  const int pid = SpawnToFiles(full, Environment(), stem + ".out", stem + ".err");
  if (pid > 0) m_started.push_back({pid, stem, false});
  return pid;
}

ToolOutput WineDesktop::Run(const std::vector<std::string>& command, std::chrono::milliseconds timeout) const {
  std::vector<std::string> full{VAMO_WINE_RUN, "--in", m_strPrefix};
  full.insert(full.end(), command.begin(), command.end());
  return RunBounded(full, Environment(), m_strRoot, timeout);
}

std::optional<int> WineDesktop::WaitForExit(int pid, std::chrono::milliseconds timeout) {
  for (Program& program : m_started) {
    if (program.pid != pid) continue;
    if (program.bEnded) return program.nStatus;
    const std::optional<int> status = WaitChild(pid, timeout);
    // Reaped: its PID is no longer ours to end.
    if (status) {
      program.bEnded = true;
      program.nStatus = *status;
    }
    return status;
  }
  return std::nullopt;
}

std::string WineDesktop::OutputOf(int pid) const {
  for (const Program& program : m_started)
    if (program.pid == pid) return ReadAll(program.strStem + ".out") + ReadAll(program.strStem + ".err");
  return "";
}

std::optional<std::string> WineDesktop::Xdotool(const std::vector<std::string>& args,
                                                std::chrono::milliseconds timeout) const {
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), args.begin(), args.end());
  const ToolOutput out = RunBounded(command, MergedEnvironment({"DISPLAY=" + m_xserver.Display()}), m_strRoot, timeout);
  if (out.exitStatus != 0) return std::nullopt;
  return out.out;
}

std::optional<uint64_t> WineDesktop::WaitForWindow(const std::string& title, std::chrono::milliseconds timeout) const {
  // --sync waits inside xdotool for the window to be mapped; the deadline
  // ends that wait.
  const std::optional<std::string> found =
      Xdotool({"search", "--sync", "--onlyvisible", "--name", ExactTitlePattern(title)}, timeout);
  if (!found || found->empty()) return std::nullopt;
  return std::stoull(*found);
}

std::vector<uint64_t> WineDesktop::VisibleWindows(const std::string& title) const {
  std::vector<uint64_t> windows;
  const std::optional<std::string> found = Xdotool({"search", "--onlyvisible", "--name", ExactTitlePattern(title)});
  if (!found) return windows;
  std::istringstream lines(*found);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) windows.push_back(std::stoull(line));
  return windows;
}

bool WineDesktop::WaitForWindowGone(const std::string& title, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return VisibleWindows(title).empty(); }, timeout);
}

std::optional<WineDesktop::Focus> WineDesktop::CurrentFocus() const {
  const ToolOutput out = Run({HelperPath(), "focus"}, 30s);
  if (out.exitStatus != 0) return std::nullopt;
  Focus focus;
  std::istringstream lines(out.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find('\t');
    const size_t second = line.find('\t', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string kind = line.substr(0, first);
    const std::string className = line.substr(first + 1, second - first - 1);
    const std::string text = line.substr(second + 1);
    if (kind == "window") {
      focus.strWindowClass = className;
      focus.strWindowTitle = text;
    } else if (kind == "focus") {
      focus.strClass = className;
      focus.strText = text;
    }
  }
  return focus;
}

std::optional<WineDesktop::Focus> WineDesktop::WaitForFocus(const std::string& windowClass,
                                                           const std::string& controlClass,
                                                           std::chrono::milliseconds timeout) const {
  std::optional<Focus> focus;
  const bool bFound = WaitUntil(
      [&] {
        focus = CurrentFocus();
        return focus && focus->strWindowClass == windowClass && focus->strClass == controlClass;
      },
      timeout);
  return bFound ? focus : std::nullopt;
}

bool WineDesktop::Click(uint64_t window, int x, int y) const {
  // xdotool's --sync waits for the pointer to move, which it never does when
  // it already is there (a button of the next page at the place of the one
  // just clicked); a step beside the point first makes the move a real one.
  const std::string id = std::to_string(window);
  return Xdotool({"mousemove", "--window", id, std::to_string(x > 0 ? x - 1 : x + 1), std::to_string(y),
                  "mousemove", "--sync", "--window", id, std::to_string(x), std::to_string(y), "click", "1"})
      .has_value();
}

bool WineDesktop::Type(const std::string& text) const {
  return Xdotool({"type", "--delay", "30", text}, 60s).has_value();
}

bool WineDesktop::Key(const std::string& key) const { return Xdotool({"key", key}).has_value(); }

bool WineDesktop::Capture(uint64_t window, const std::string& pngPath) const {
  return RunBounded({"import", "-window", std::to_string(window), pngPath},
                    MergedEnvironment({"DISPLAY=" + m_xserver.Display()}), m_strRoot, 30s)
             .exitStatus == 0;
}
