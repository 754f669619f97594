// The Windows wizard, VamoSetup.exe under Wine, against the Linux build's
// vamo-setup, in the same run, on the same private X server, both inside the
// client namespace of a network lab whose update host serves the demo
// release of the build that runs:
//
//   start to the welcome page on screen: from the spawn until the welcome
//   window is mapped and painted (its centre is no longer the server's
//   black). Under Wine the prefix's server is up and warm (persistent, and
//   programs have run in it), as on a user's desktop; Wine's own floor is a
//   plain Win32 window (window-probe.exe of the Windows build) started the
//   same way. Each start is one exec chain, `ip netns exec NS PROGRAM`, so
//   the spawned PID is the process that shows the window.
//
//   peak memory of a whole run: the wizard started, Next clicked, the run
//   going by itself to the done button; then the VmHWM of the wizard's
//   process. Under Wine that is the Windows program's own process (the
//   wine64-preloader process that runs VamoSetup.exe); the prefix's
//   wineserver, which every Windows program shares, is read beside it and
//   reported apart. Each whole run is on a fresh demo machine: a Linux
//   VAMO_PREFIX made by make-demo-prefix.sh, or a copy of a Wine prefix
//   booted inside the lab that trusts the lab's CA and the release's
//   publisher.
//
// Rounds alternate the builds, so that neither always meets a warm cache;
// medians and the spread (lowest to highest) are printed, and the ratios
// Wine over Linux. Needs root (the lab), wine64, Xvfb and xdotool, and the
// Windows build (build-win32 beside the source, or --win32-build DIR).
//
// Usage: bench_wine_wizard [--rounds N] [--starts N] [--win32-build DIR]
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/BenchSupport.h"
#include "bench/common/Processes.h"
#include "bench/common/WinePrefix.h"
#include "bench/common/WizardRun.h"
#include "bench/common/XDisplay.h"

namespace {

using namespace std::chrono_literals;
using namespace bench;
namespace fs = std::filesystem;

constexpr char kProbeTitle[] = "wine floor";

// A lab's value from `lab status`.
std::string LabValue(const std::string& lab, const std::string& key) {
  const std::string status = Output(Quote(VAMO_LAB_TOOL) + " status " + lab);
  const std::string wanted = "\n" + key + "=";
  const size_t at = ("\n" + status).find(wanted);
  if (at == std::string::npos) return "";
  const size_t begin = at + wanted.size() - 1;
  return status.substr(begin, status.find('\n', begin) - begin);
}

std::vector<std::string> InNamespace(const std::string& ns, std::vector<std::string> argv) {
  std::vector<std::string> command = {"ip", "netns", "exec", ns};
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

// The Windows programs this bench runs, from one Windows build.
struct Win32Programs {
  std::string wizard, trustRoots, helper, probe;
  explicit Win32Programs(const std::string& dir)
      : wizard(dir + "/app/VamoSetup.exe"),
        trustRoots(dir + "/tests/support/trust-roots.exe"),
        helper(dir + "/tests/support/wine-desktop-helper.exe"),
        probe(dir + "/tests/wine-ui/window-probe.exe") {}
  std::string Missing() const {
    for (const std::string* path : {&wizard, &trustRoots, &helper, &probe})
      if (!fs::is_regular_file(*path)) return *path;
    return "";
  }
};

// A Windows demo machine: a copy of the prefix booted in the lab, its
// server persistent and warmed by the programs that make it the lab's
// machine (the lab's CA and the release's publisher trusted, the dialogs'
// Korean faces mapped, the lab's marker written). Its server is ended by
// its own WINEPREFIX and the copy removed.
class WineMachine {
 public:
  WineMachine(const std::string& path, const std::string& ns) : m_path(path), m_ns(ns) {}
  ~WineMachine() {
    if (m_bServer) {
      Run({"wineserver", "-k"}, Environment(), true);
      Run({"wineserver", "-w"}, Environment(), true);
    }
    std::error_code ec;
    fs::remove_all(m_path, ec);
  }
  WineMachine(const WineMachine&) = delete;
  WineMachine& operator=(const WineMachine&) = delete;

  bool Make(const std::string& templ, const Win32Programs& programs, const std::string& labCa,
            const std::string& releaseCa, const std::string& clientAddress) {
    if (Run({"cp", "-a", templ, m_path}) != 0) return false;
    m_bServer = Run(InNamespace(m_ns, {"wineserver", "-p"}), Environment()) == 0;
    return m_bServer && Windows({programs.trustRoots, WindowsName(labCa), WindowsName(releaseCa)}) &&
           Windows({programs.helper, "korean-faces"}) &&
           Windows({"reg.exe", "add", "HKLM\\SOFTWARE\\VamoSetup\\LabNetwork", "/v", "ClientAddress", "/t",
                    "REG_SZ", "/d", clientAddress, "/f"});
  }
  // A Windows program started in the lab on this machine; its PID is the
  // Windows process's own.
  pid_t Start(const std::vector<std::string>& command) const {
    std::vector<std::string> argv = {Wine64()};
    argv.insert(argv.end(), command.begin(), command.end());
    return Spawn(InNamespace(m_ns, argv), Environment(), true);
  }
  bool Windows(const std::vector<std::string>& command) const {
    const pid_t pid = Start(command);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  std::vector<std::string> Environment() const {
    std::vector<std::string> env = WineEnvironment(m_path);
    env.push_back("DISPLAY=" + std::string(std::getenv("DISPLAY")));
    return env;
  }
  std::string DriveC() const { return m_path + "/drive_c"; }
  std::vector<std::string> Launcher() const { return InNamespace(m_ns, {}); }
  // The host PID of the machine's wineserver, or -1: Wine's server works in
  // a folder named by the prefix's device and inode (below a temporary
  // folder of Wine's choosing).
  pid_t ServerPid() const {
    struct stat info {};
    if (stat(m_path.c_str(), &info) != 0) return -1;
    char folder[64];
    std::snprintf(folder, sizeof folder, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
      std::error_code linkError;
      if (fs::read_symlink(entry.path() / "exe", linkError).filename().string().rfind("wineserver", 0) != 0) continue;
      if (fs::read_symlink(entry.path() / "cwd", linkError).filename() == folder)
        return std::stoi(entry.path().filename());
    }
    return -1;
  }

 private:
  std::string m_path, m_ns;
  bool m_bServer = false;
};

struct Lab {
  std::string name, ns, clientAddress, ca;
  bool Up(const std::string& site) {
    name = "wwiz" + std::to_string(getpid());
    if (Run({VAMO_LAB_TOOL, "up", name, "--build", VAMO_LAB_BUILD_DIR, "--www", site, "--owner",
             std::to_string(getpid())}) != 0) {
      name.clear();
      return false;
    }
    ns = LabValue(name, "client_ns");
    clientAddress = LabValue(name, "client_addr");
    ca = Output(Quote(VAMO_LAB_TOOL) + " ca " + name);
    return !ns.empty() && !clientAddress.empty() && fs::exists(ca);
  }
  bool Publish(const std::string& site) const { return Run({VAMO_LAB_TOOL, "publish", name, site}) == 0; }
  ~Lab() {
    if (!name.empty()) Run({VAMO_LAB_TOOL, "down", name});
  }
};

// This process's connection to the X server that runs in the lab's client
// namespace, made through the namespace's abstract socket: the socket file
// in /tmp is shared by every namespace on the machine and so may be another
// server's by now.
Display* OpenDisplayIn(const std::string& ns) {
  const int own = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  const int lab = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
  Display* dpy = nullptr;
  if (own >= 0 && lab >= 0 && setns(lab, CLONE_NEWNET) == 0) {
    dpy = OpenDisplay();
    if (setns(own, CLONE_NEWNET) != 0) {
      std::fprintf(stderr, "bench_wine_wizard: cannot return to this process's own network\n");
      std::exit(1);
    }
  }
  if (own >= 0) close(own);
  if (lab >= 0) close(lab);
  return dpy;
}

// A Linux demo machine trusting the lab's CA; false when it could not be made.
bool MakeLinuxMachine(const std::string& prefix, const Lab& lab) {
  if (Run({"bash", VAMO_DEMO_PREFIX_MAKER, prefix, VAMO_DEMO_RELEASE, VAMO_BROWSER_FIXTURES, VAMO_TOOL_PATH}, {},
          true) != 0)
    return false;
  std::error_code ec;
  fs::copy_file(lab.ca, prefix + "/certs/root/vamo-lab.pem", fs::copy_options::overwrite_existing, ec);
  return !ec;
}

// The whole run of vamo-setup, in a PID namespace of its own as scripts/demo
// runs it (the wizard looks for running browsers among its processes).
WizardRun LinuxWholeRun(Display* dpy, const Lab& lab, const std::string& prefix) {
  // The namespace's first process stays outside the lab: the wizard tells a
  // network made for it by a process of another network above it.
  const std::vector<std::string> wizard = {"unshare", "--pid", "--fork", "--mount-proc", "--", "bash", "-c",
                                           "\"$@\"; exit $?", "bench", "ip", "netns", "exec", lab.ns, VAMO_SETUP_PATH};
  const pid_t exec = Spawn(wizard, {"VAMO_PREFIX=" + prefix});
  WizardRun run = DriveToTheEnd(
      dpy, [dpy](Window welcome) { return HostPidOf(VAMO_SETUP_PATH, WindowPid(dpy, welcome)); }, 300s,
      InNamespace(lab.ns, {}));
  for (int i = 0; i < 500 && waitpid(exec, nullptr, WNOHANG) != exec; ++i) std::this_thread::sleep_for(10ms);
  End(exec);
  run.completed = run.peakKiB >= 0 && Installed(prefix + "/drive_c");
  return run;
}

struct WineRun {
  WizardRun wizard;
  long serverPeakKiB = -1;  // the prefix's wineserver, shared by its programs
};

WineRun WindowsWholeRun(Display* dpy, const WineMachine& machine, const std::string& wizard) {
  WineRun run;
  const pid_t pid = machine.Start({wizard});
  run.wizard = DriveToTheEnd(dpy, [pid](Window) { return pid; }, 420s, machine.Launcher());
  run.serverPeakKiB = PeakKiB(machine.ServerPid());
  for (int i = 0; i < 500 && waitpid(pid, nullptr, WNOHANG) != pid; ++i) std::this_thread::sleep_for(10ms);
  End(pid);
  run.wizard.completed = run.wizard.peakKiB >= 0 && Installed(machine.DriveC());
  return run;
}

}  // namespace

namespace {

// A figure's median and spread over the rounds.
struct Figures {
  std::vector<double> values;
  void Add(double value) {
    if (value >= 0) values.push_back(value);
  }
  double Median() const { return bench::Median(values); }
  std::string Text(const char* format, double scale = 1) const {
    if (values.empty()) return "none";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    char text[128];
    const std::string all = std::string(format) + " [" + format + " to " + format + "]";
    std::snprintf(text, sizeof text, all.c_str(), Median() / scale, *low / scale, *high / scale);
    return text;
  }
};

struct Options {
  int rounds = 3, starts = 5;
  std::string win32Build = VAMO_WIN32_BUILD;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const bool bValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--rounds") && bValue) options.rounds = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--starts") && bValue) options.starts = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--win32-build") && bValue) options.win32Build = argv[++i];
    else return false;
  }
  return true;
}

void PrintRatio(const char* what, const Figures& wine, const Figures& linux) {
  if (wine.values.empty() || linux.values.empty()) return;
  std::printf("  ratio %s: %.2f\n", what, wine.Median() / linux.Median());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: bench_wine_wizard [--rounds N] [--starts N] [--win32-build DIR]\n");
    return 2;
  }
  if (geteuid() != 0) {
    std::fprintf(stderr, "bench_wine_wizard: needs root (the network lab and its namespaces)\n");
    return 1;
  }
  const Win32Programs programs(fs::absolute(options.win32Build).string());
  if (const std::string missing = programs.Missing(); !missing.empty()) {
    std::fprintf(stderr, "bench_wine_wizard: no %s (build the Windows build first)\n", missing.c_str());
    return 1;
  }
  const std::string linuxSite = std::string(VAMO_DEMO_RELEASE) + "/site";
  const std::string windowsSite = std::string(VAMO_DEMO_RELEASE_WIN32) + "/site";
  const std::string releaseCa = std::string(VAMO_DEMO_RELEASE_WIN32) + "/pki/ca.pem";

  ScratchFolder scratch("vamo-bench-wine-wizard");
  Lab lab;
  if (!lab.Up(linuxSite)) {
    std::fprintf(stderr, "bench_wine_wizard: the lab did not come up\n");
    return 1;
  }
  // Every program shown runs in the lab, and so does their X server.
  PrivateServer server;
  if (!server.Start(InNamespace(lab.ns, {}))) {
    std::fprintf(stderr, "bench_wine_wizard: Xvfb could not be started\n");
    return 1;
  }
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  setenv("GDK_BACKEND", "x11", 1);
  Display* dpy = OpenDisplayIn(lab.ns);
  if (!dpy) {
    std::fprintf(stderr, "bench_wine_wizard: cannot open %s\n", server.display.c_str());
    return 1;
  }
  // Booted inside the lab, so that Wine's network services see its adapter.
  const std::string templ = scratch.Path("template");
  if (Run(InNamespace(lab.ns, {VAMO_WINE_RUN, "--template", templ}), {}, true) != 0) {
    std::fprintf(stderr, "bench_wine_wizard: wineboot failed inside the lab\n");
    return 1;
  }
  const std::string linuxStart = scratch.Path("linux-start");
  WineMachine wineStart(scratch.Path("wine-start"), lab.ns);
  if (!MakeLinuxMachine(linuxStart, lab) ||
      !wineStart.Make(templ, programs, lab.ca, releaseCa, lab.clientAddress)) {
    std::fprintf(stderr, "bench_wine_wizard: the demo machines could not be made\n");
    return 1;
  }

  const std::vector<std::string> linuxArgv = InNamespace(lab.ns, {VAMO_SETUP_PATH});
  const std::vector<std::string> linuxEnv = {"VAMO_PREFIX=" + linuxStart};
  const std::vector<std::string> wineArgv = InNamespace(lab.ns, {Wine64(), programs.wizard});
  const std::vector<std::string> probeArgv = InNamespace(lab.ns, {Wine64(), programs.probe, kProbeTitle});
  // One warm-up start each (page cache, font caches, the server's state).
  StartOnce(dpy, linuxArgv, kWizardTitle, linuxEnv);
  StartOnce(dpy, wineArgv, kWizardTitle, wineStart.Environment());
  StartOnce(dpy, probeArgv, kProbeTitle, wineStart.Environment());

  Figures linuxMs, wineMs, probeMs, linuxStartKiB, wineStartKiB, linuxMappedMs, wineMappedMs;
  Figures linuxPeak, winePeak, serverPeak, linuxSeconds, wineSeconds;
  int linuxCompleted = 0, wineCompleted = 0;
  for (int round = 0; round < options.rounds; ++round) {
    for (int i = 0; i < options.starts; ++i) {
      const StartSample l = StartOnce(dpy, linuxArgv, kWizardTitle, linuxEnv);
      const StartSample w = StartOnce(dpy, wineArgv, kWizardTitle, wineStart.Environment());
      const StartSample p = StartOnce(dpy, probeArgv, kProbeTitle, wineStart.Environment());
      linuxMs.Add(l.ms), wineMs.Add(w.ms), probeMs.Add(p.ms);
      if (l.ms >= 0) linuxMappedMs.Add(l.mappedMs);
      if (w.ms >= 0) wineMappedMs.Add(w.mappedMs);
      linuxStartKiB.Add(static_cast<double>(l.peakKiB)), wineStartKiB.Add(static_cast<double>(w.peakKiB));
    }
    // The whole runs, each build first every other round.
    for (int side = 0; side < 2; ++side) {
      if ((side + round) % 2 == 0) {
        const std::string prefix = scratch.Path("linux-run" + std::to_string(round));
        if (!lab.Publish(linuxSite) || !MakeLinuxMachine(prefix, lab)) continue;
        const WizardRun run = LinuxWholeRun(dpy, lab, prefix);
        if (run.completed) {
          ++linuxCompleted;
          linuxPeak.Add(static_cast<double>(run.peakKiB)), linuxSeconds.Add(run.seconds);
        }
        std::error_code ec;
        fs::remove_all(prefix, ec);
      } else {
        WineMachine machine(scratch.Path("wine-run" + std::to_string(round)), lab.ns);
        if (!lab.Publish(windowsSite) || !machine.Make(templ, programs, lab.ca, releaseCa, lab.clientAddress))
          continue;
        const WineRun run = WindowsWholeRun(dpy, machine, programs.wizard);
        if (run.wizard.completed) {
          ++wineCompleted;
          winePeak.Add(static_cast<double>(run.wizard.peakKiB)), wineSeconds.Add(run.wizard.seconds);
          serverPeak.Add(static_cast<double>(run.serverPeakKiB));
        }
      }
    }
  }
  XCloseDisplay(dpy);

  const int samples = options.rounds * options.starts;
  std::printf("start to the welcome page on screen, median [lowest to highest] of %d (ms); VmHWM then (MiB)\n",
              samples);
  std::printf("  %-34s %-26s %s\n", "vamo-setup (Linux)", linuxMs.Text("%.1f").c_str(),
              linuxStartKiB.Text("%.1f", 1024).c_str());
  std::printf("  %-34s %-26s %s\n", "VamoSetup.exe (Wine, warm server)", wineMs.Text("%.1f").c_str(),
              wineStartKiB.Text("%.1f", 1024).c_str());
  std::printf("  %-34s %-26s\n", "plain Win32 window (Wine's floor)", probeMs.Text("%.1f").c_str());
  std::printf("  of which until the window was mapped: Linux %s, Wine %s\n", linuxMappedMs.Text("%.1f").c_str(),
              wineMappedMs.Text("%.1f").c_str());
  PrintRatio("Wine / Linux (time)", wineMs, linuxMs);
  PrintRatio("VamoSetup.exe / Wine's floor (time)", wineMs, probeMs);
  std::printf("  target under 300 ms: Linux %s, Wine %s\n",
              !linuxMs.values.empty() && linuxMs.Median() < 300 ? "met" : "NOT met",
              !wineMs.values.empty() && wineMs.Median() < 300 ? "met" : "NOT met");
  std::printf("whole run of the demo release in the lab (start, Next, to the done button), median [lowest to "
              "highest]:\n");
  std::printf("  %-34s %-26s %s s from Next  (%d of %d completed)\n", "vamo-setup (Linux), MiB",
              linuxPeak.Text("%.1f", 1024).c_str(), linuxSeconds.Text("%.1f").c_str(), linuxCompleted,
              options.rounds);
  std::printf("  %-34s %-26s %s s from Next  (%d of %d completed)\n", "VamoSetup.exe (Wine process), MiB",
              winePeak.Text("%.1f", 1024).c_str(), wineSeconds.Text("%.1f").c_str(), wineCompleted,
              options.rounds);
  std::printf("  %-34s %s\n", "its prefix's wineserver, MiB", serverPeak.Text("%.1f", 1024).c_str());
  PrintRatio("Wine / Linux (peak memory)", winePeak, linuxPeak);
  PrintRatio("Wine / Linux (time from Next)", wineSeconds, linuxSeconds);
  return linuxCompleted == options.rounds && wineCompleted == options.rounds ? 0 : 1;
}
