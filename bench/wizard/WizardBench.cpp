// How fast the wizard is on screen and how much memory it takes, against
// peers measured in the same run on the same private X server:
//
//   start to first window: from the spawn until the welcome page is mapped
//   and painted (its centre pixel is no longer the server's black), for
//   vamo-setup, a minimal GTK program showing one titled window with one
//   line of text (bench_gtk_peer), and xmessage. Median of N starts each,
//   interleaved; the ratios are vamo-setup over each peer. Each subject
//   starts in a network namespace of its own without any interface (the
//   wizard starts only in a network made for it, and nothing it does here
//   may reach the machine's network), reaching the X server through its
//   socket file.
//   peak memory (VmHWM) of each at that moment.
//
//   With --lab (root), also a whole run of the demo release: the bench
//   brings up a network lab whose update host serves the demo release,
//   makes a demo machine, starts vamo-setup in the lab's client namespace
//   (in a process namespace of its own, as scripts/demo does), clicks Next
//   and reads the peak memory of the process when the run has completed
//   (the done button stands where run-cancel stood). The peer is the same
//   run on a fresh demo machine without a window: vamo-tool repair.
//   Nothing of either run leaves the lab.
//
// Usage: bench_wizard [--runs N] [--lab]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/Processes.h"
#include "bench/common/WizardRun.h"
#include "bench/common/XDisplay.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace bench;
constexpr char kGtkPeerTitle[] = "GTK peer";
constexpr char kXmessageTitle[] = "xmessage peer";

// A network namespace of its own for each subject: as root a plain one,
// otherwise one in a user namespace of its own.
std::vector<std::string> InOwnNetwork(std::vector<std::string> argv) {
  std::vector<std::string> command = {"unshare"};
  if (geteuid() != 0) command.push_back("--map-current-user");
  command.insert(command.end(), {"--net", "--"});
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

// In a PID namespace of its own inside the lab's client namespace; a shell
// outside the lab stays the namespace's first process.
std::vector<std::string> InLab(const std::string& lab, std::vector<std::string> argv) {
  std::vector<std::string> command = {"unshare", "--pid",   "--fork", "--mount-proc", "--", "bash", "-c",
                                      "\"$@\"; exit $?", "bench", VAMO_LAB_TOOL, "exec", lab, "--"};
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}

// A demo machine for one run, trusting the lab's CA; false when it could
// not be made.
bool MakeDemoMachine(const std::string& prefix, const std::string& lab) {
  if (Run({"bash", VAMO_DEMO_PREFIX_MAKER, prefix, VAMO_DEMO_RELEASE, VAMO_BROWSER_FIXTURES, VAMO_TOOL_PATH}) != 0)
    return false;
  const std::string ca = Output(std::string(VAMO_LAB_TOOL) + " ca " + lab);
  std::error_code ec;
  std::filesystem::copy_file(ca, prefix + "/certs/root/vamo-lab.pem",
                             std::filesystem::copy_options::overwrite_existing, ec);
  return !ec;
}

// A whole run of vamo-setup in the lab, in a PID namespace of its own.
WizardRun RunWizardInLab(Display* dpy, const std::string& lab, const std::string& prefix) {
  const pid_t exec = Spawn(InLab(lab, {VAMO_SETUP_PATH}), {"VAMO_PREFIX=" + prefix});
  WizardRun run = DriveToTheEnd(
      dpy, [dpy](Window welcome) { return HostPidOf(VAMO_SETUP_PATH, WindowPid(dpy, welcome)); }, 300s);
  for (int i = 0; i < 500 && waitpid(exec, nullptr, WNOHANG) != exec; ++i) std::this_thread::sleep_for(10ms);
  End(exec);
  run.completed = run.peakKiB >= 0 && Installed(prefix + "/drive_c");
  return run;
}

// The same run without a window: vamo-tool repair, its peak memory read
// until it ends.
WizardRun RunToolInLab(const std::string& lab, const std::string& prefix) {
  WizardRun run;
  const auto start = Clock::now();
  const pid_t repair = Spawn(InLab(lab, {VAMO_TOOL_PATH, "repair"}), {"VAMO_PREFIX=" + prefix}, true);
  pid_t pid = -1;
  int status = -1;
  while (waitpid(repair, &status, WNOHANG) != repair) {
    if (pid <= 0) pid = HostPidOf(VAMO_TOOL_PATH);
    if (pid > 0) run.peakKiB = std::max(run.peakKiB, PeakKiB(pid));
    std::this_thread::sleep_for(10ms);
  }
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.completed = WIFEXITED(status) && WEXITSTATUS(status) == 0 && Installed(prefix + "/drive_c");
  return run;
}

// Brings up a lab serving the demo release, runs the wizard and its peer
// there, each on a fresh demo machine, and brings the lab down.
void RunInLab(Display* dpy, const std::string& scratch, double gtkPeerKiB) {
  if (geteuid() != 0) {
    std::printf("whole run: needs root (the network lab and process namespaces)\n");
    return;
  }
  const std::string lab = "bench-" + std::to_string(getpid());
  if (Run({VAMO_LAB_TOOL, "up", lab, "--build", VAMO_LAB_BUILD_DIR, "--www", std::string(VAMO_DEMO_RELEASE) + "/site",
           "--owner", std::to_string(getpid())}) != 0) {
    std::printf("whole run: the lab did not come up\n");
    return;
  }
  WizardRun wizard, tool;
  if (MakeDemoMachine(scratch + "/wizard-prefix", lab)) wizard = RunWizardInLab(dpy, lab, scratch + "/wizard-prefix");
  if (MakeDemoMachine(scratch + "/tool-prefix", lab)) tool = RunToolInLab(lab, scratch + "/tool-prefix");
  Run({VAMO_LAB_TOOL, "down", lab});

  std::printf("whole run of the demo release in a lab, peak memory (MiB) and time from Next (s)\n");
  std::printf("  %-30s %6.1f MiB  %5.1f s  %s\n", "vamo-setup", wizard.peakKiB / 1024.0, wizard.seconds,
              wizard.completed ? "completed" : "DID NOT COMPLETE");
  std::printf("  %-30s %6.1f MiB  %5.1f s  %s\n", "vamo-tool repair (no window)", tool.peakKiB / 1024.0,
              tool.seconds, tool.completed ? "completed" : "DID NOT COMPLETE");
  if (wizard.peakKiB > 0 && tool.peakKiB > 0)
    std::printf("ratio vamo-setup / vamo-tool repair: %.2f; vamo-setup / GTK peer's window: %.2f (memory)\n",
                static_cast<double>(wizard.peakKiB) / static_cast<double>(tool.peakKiB),
                static_cast<double>(wizard.peakKiB) / gtkPeerKiB);
  std::printf("target: whole run under 64 MiB: %s\n",
              wizard.completed && wizard.peakKiB < 64 * 1024 ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  bool bLab = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--lab")) {
      bLab = true;
    } else {
      std::fprintf(stderr, "usage: bench_wizard [--runs N] [--lab]\n");
      return 2;
    }
  }
  PrivateServer server;
  if (!server.Start()) {
    std::fprintf(stderr, "bench_wizard: Xvfb could not be started\n");
    return 1;
  }
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  setenv("GDK_BACKEND", "x11", 1);
  Display* dpy = OpenDisplay();
  if (!dpy) {
    std::fprintf(stderr, "bench_wizard: cannot open %s\n", server.display.c_str());
    return 1;
  }

  const std::string scratch = std::filesystem::temp_directory_path() / ("bench-wizard-" + std::to_string(getpid()));
  std::filesystem::create_directories(scratch);
  const std::vector<std::string> wizardEnv = {"VAMO_PREFIX=" + scratch + "/prefix"};

  struct Subject {
    const char* name;
    std::vector<std::string> argv;
    std::string title;
    std::vector<std::string> env;
    std::vector<double> ms;
    std::vector<double> kib;
  };
  std::vector<Subject> subjects = {
      {"vamo-setup (welcome page)", {VAMO_SETUP_PATH}, kWizardTitle, wizardEnv, {}, {}},
      // Without OpenGL, as the wizard's window layer runs the toolkit.
      {"bench_gtk_peer (GTK window)", {VAMO_GTK_PEER_PATH, kGtkPeerTitle}, kGtkPeerTitle, {"GDK_GL=disable"}, {}, {}},
      // Its complaints about fonts for the Korean line go nowhere.
      {"xmessage",
       {"sh", "-c", std::string("exec xmessage -title '") + kXmessageTitle + "' '전자결제창 마법사를 시작합니다' 2>/dev/null"},
       kXmessageTitle, {}, {}, {}},
  };
  // One warm-up start each (page cache, font caches), then interleaved runs.
  for (Subject& s : subjects) StartOnce(dpy, InOwnNetwork(s.argv), s.title, s.env);
  for (int i = 0; i < runs; ++i)
    for (Subject& s : subjects) {
      const StartSample sample = StartOnce(dpy, InOwnNetwork(s.argv), s.title, s.env);
      if (sample.ms >= 0) s.ms.push_back(sample.ms);
      if (sample.peakKiB >= 0) s.kib.push_back(static_cast<double>(sample.peakKiB));
    }

  std::printf("start to first window on screen, median of %d (ms); peak memory then (MiB)\n", runs);
  for (const Subject& s : subjects)
    std::printf("  %-30s %8.1f ms  %6.1f MiB  (%zu of %d started)\n", s.name, Median(s.ms), Median(s.kib) / 1024,
                s.ms.size(), runs);
  const double ours = Median(subjects[0].ms);
  std::printf("ratio vamo-setup / GTK peer: %.2f (time), %.2f (memory)\n", ours / Median(subjects[1].ms),
              Median(subjects[0].kib) / Median(subjects[1].kib));
  std::printf("ratio vamo-setup / xmessage: %.2f (time), %.2f (memory)\n", ours / Median(subjects[2].ms),
              Median(subjects[0].kib) / Median(subjects[2].kib));
  std::printf("target: welcome page under 300 ms: %s\n", ours >= 0 && ours < 300 ? "met" : "NOT met");

  if (bLab) RunInLab(dpy, scratch, Median(subjects[1].kib));
  else std::printf("whole run: give --lab (root) to measure a whole run of the demo release\n");
  XCloseDisplay(dpy);
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  return 0;
}
