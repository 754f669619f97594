#pragma once

// A whole run of the wizard as a user makes it, driven through real X
// input: the welcome page, Next, the run going by itself to its end, whose
// done button closes the wizard. Both builds' wizards show the same pages at
// the same points, so the Linux bench and the one under Wine share it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "bench/common/XDisplay.h"

namespace bench {

inline constexpr char kWizardTitle[] = "Orin 전자결제 - 전자결제 마법사";

struct WizardRun {
  long peakKiB = -1;      // the wizard process's VmHWM when the run ended
  double seconds = -1;    // from Next to the done button
  bool completed = false; // the done button came and the plug-in is installed
};

// The installed-version file of a completed run names the plug-in; the
// Windows build may write it as UTF-16.
inline bool Installed(const std::string& driveC) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(
           driveC, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().filename() != "VamoPlugin.ver") continue;
    std::ifstream file(it->path(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::erase(text, '\0');
    if (text.find("[VamoPlugin.dll]") != std::string::npos) return true;
  }
  return false;
}

// Drives a started wizard from its welcome page to the end. `processOf`
// names the host PID of the wizard that owns the welcome window, whose peak
// memory is read once the done button stands where the run's cancel button
// stood (250, 420 of the run's window). The done button is then clicked.
// The clicks go through `launcher` (see ClickAt).
inline WizardRun DriveToTheEnd(Display* dpy, const std::function<pid_t(Window)>& processOf,
                               std::chrono::seconds limit, const std::vector<std::string>& launcher = {}) {
  using namespace std::chrono_literals;
  using Clock = std::chrono::steady_clock;
  WizardRun run;
  const auto welcome = WaitForPainted(dpy, kWizardTitle, 60s);
  if (!welcome) return run;
  const pid_t pid = processOf(*welcome);
  const auto start = Clock::now();
  ClickAt(dpy, *welcome, 270, 420, launcher);  // Next
  // The run's window is another top-level window of the same title; the
  // welcome page's own Next button is pink too, so it is never looked at.
  std::optional<Window> main;
  while (Clock::now() < start + limit) {
    if (!main) main = WaitForPainted(dpy, kWizardTitle, 100ms, *welcome);
    if (main && IsDonePink(PixelAt(dpy, *main, 250, 420))) {
      run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      run.peakKiB = pid > 0 ? PeakKiB(pid) : -1;
      break;
    }
    std::this_thread::sleep_for(50ms);
  }
  if (main && run.peakKiB >= 0) ClickAt(dpy, *main, 270, 420, launcher);  // done
  return run;
}

}  // namespace bench

namespace bench {

struct StartSample {
  double mappedMs = -1;  // from the spawn until a window of the title is mapped
  double ms = -1;        // ... and until its centre is painted
  long peakKiB = -1;     // the spawned process's VmHWM then
};

// One start of a program whose spawned PID is the process that shows the
// window (an exec chain, no fork): spawn, wait until a window of `title` is
// mapped and then painted, read the peak memory, end it.
inline StartSample StartOnce(Display* dpy, const std::vector<std::string>& argv, const std::string& title,
                             const std::vector<std::string>& env = {}) {
  using namespace std::chrono_literals;
  using Clock = std::chrono::steady_clock;
  StartSample sample;
  const auto start = Clock::now();
  const auto since = [start] { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); };
  const pid_t pid = Spawn(argv, env);
  if (pid <= 0) return sample;
  while (Clock::now() < start + 20s && ViewableWindows(dpy, title).empty()) std::this_thread::sleep_for(1ms);
  sample.mappedMs = since();
  if (WaitForPainted(dpy, title, 20s)) {
    sample.ms = since();
    std::this_thread::sleep_for(200ms);  // what the first paints allocated
    sample.peakKiB = PeakKiB(pid);
  }
  End(pid);
  std::this_thread::sleep_for(100ms);
  return sample;
}

}  // namespace bench
