// vamo-tool repair [--report FILE] [--host-network]: the wizard's whole run
// (system, network and browser analysis, install) without a window, for the
// support desk and unattended use.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "engine/SetupMessages.h"
#include "engine/SetupRun.h"
#include "platform/console/Console.h"
#include "platform/fs/Path.h"
#include "platform/net/NetworkGuard.h"
#include "platform/resources/ModuleResources.h"
#include "resources/resource.h"
#include "tools/vamo-tool/RepairView.h"
#include "tools/vamo-tool/TerminalProgress.h"
#include "tools/vamo-tool/ToolCommand.h"

namespace {

constexpr char kWindowTitle[] = "Orin 전자결제 - 전자결제 마법사";
// How often the terminal view moves while nothing is posted.
constexpr auto kTick = std::chrono::milliseconds(100);

// The window the run posts to: messages in order, and a note that the
// percent line was invalidated. The command's own thread waits on it.
class RepairWindow : public platform::gui::MessageTarget {
 public:
  void PostMessage(uint32_t message) override {
    {
      std::lock_guard lock(m_lock);
      m_messages.push_back(message);
    }
    m_changed.notify_one();
  }
  void InvalidateRect(const platform::gui::Rect&) override {
    {
      std::lock_guard lock(m_lock);
      m_bInvalid = true;
    }
    m_changed.notify_one();
  }
  // What came since the last call, waiting up to `timeout` for something.
  std::vector<uint32_t> Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_lock);
    m_changed.wait_for(lock, timeout, [this] { return !m_messages.empty() || m_bInvalid; });
    std::vector<uint32_t> messages(m_messages.begin(), m_messages.end());
    m_messages.clear();
    m_bInvalid = false;
    return messages;
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<uint32_t> m_messages;
  bool m_bInvalid = false;
};

int RunRepair(const std::vector<std::string>& args);

const ToolCommand kRepairCommand = {
    "repair",
    "repair [--report FILE] [--host-network]  (the whole run; only inside a test's or the lab's network namespace)",
    RunRepair};
const CommandRegistrar kRepairRegistrar(kRepairCommand);

enum class Ending { kCompleted, kFailed, kStopped };

// Shows the run until it ends, from this thread; the run works on its own.
Ending ShowRun(CSetupRun& run, RepairWindow& window, TerminalProgress& view) {
  int nTick = 0;
  bool bStopping = false;
  for (;;) {
    std::vector<uint32_t> messages = window.Wait(kTick);
    // The last state is shown before the end is handled, so that a pipe
    // gets the last item's lines too.
    CSetupState snapshot = run.TakeSnapshot();
    if (view.InPlace()) {
      view.Show(RepairView::TerminalLines(snapshot, view.Columns(), nTick++));
    } else {
      view.Show(RepairView::PipeLines(snapshot));
    }
    for (uint32_t message : messages) {
      if (message == WM_SETUP_COMPLETE) return Ending::kCompleted;
      if (message == WM_SETUP_ERROR) return Ending::kFailed;
    }
    if (platform::console::InterruptRequested() && !bStopping) {
      // As when the window is closed: the run ends after its current step.
      bStopping = true;
      run.RequestStop();
      view.PrintLine("중지하는 중입니다: 지금 단계가 끝나면 멈춥니다 (Ctrl+C 한 번 더: 바로 종료).");
    }
    if (bStopping && snapshot.m_bStop) {
      // The worker may still post its error while it ends; once it has
      // ended, whatever it posted is in the window.
      run.StopWorker();
      for (uint32_t message : window.Wait(std::chrono::milliseconds(0))) {
        if (message == WM_SETUP_ERROR) return Ending::kFailed;
        if (message == WM_SETUP_COMPLETE) return Ending::kCompleted;
      }
      return Ending::kStopped;
    }
  }
}

void PrintLines(TerminalProgress& view, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) view.PrintLine(line);
}

int RunRepair(const std::vector<std::string>& args) {
  std::string strReport;
  bool bHostNetwork = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--report" && i + 1 < args.size()) {
      strReport = args[++i];
    } else if (args[i] == "--host-network") {
      bHostNetwork = true;
    } else {
      return UsageError(kRepairCommand);
    }
  }
  // The run pings gateways, asks DNS servers and connects to hosts; by
  // default only where someone made a network of its own for it.
  if (!platform::net::MayProbeNetwork(bHostNetwork)) {
    std::fprintf(stderr,
                 "vamo-tool: refusing to probe this machine's own network; run it inside a network namespace "
                 "(tools/lab ... exec) or pass --host-network (or set VAMO_HOST_NETWORK=1)\n");
    return kExitFailed;
  }

  platform::console::WatchInterrupt();
  RepairWindow window;
  CSetupRun run(&window);
  TerminalProgress view(TerminalProgress::Interruption::kErase);
  view.PrintLine(kWindowTitle);
  view.PrintLine("");
  run.StartWorker();
  const Ending ending = ShowRun(run, window, view);

  CSetupState snapshot = run.TakeSnapshot();
  std::vector<std::string> closing;
  if (ending == Ending::kCompleted) {
    run.OnSetupComplete();
    snapshot = run.TakeSnapshot();
    if (view.InPlace()) view.Show(RepairView::FinalTerminalLines(snapshot, false, view.Columns()));
    closing = RepairView::TextLines(CSetupDriver::kPhaseStatusText[3]);
  } else if (ending == Ending::kFailed) {
    const std::string strMessage = run.OnSetupError();
    if (view.InPlace()) view.Show(RepairView::FinalTerminalLines(snapshot, true, view.Columns()));
    closing = RepairView::ErrorText(PhaseNumber(snapshot.m_nPhase), platform::LoadModuleString(IDS_SUPPORT_PHONE),
                                    platform::LoadModuleString(IDS_SUPPORT_EMAIL));
    closing.push_back("");
    for (const std::string& line : RepairView::TextLines(strMessage)) closing.push_back(line);
  } else {
    closing = {"복구를 끝까지 마치지 못하고 중지했습니다."};
  }
  view.Finish();
  view.PrintLine("");
  PrintLines(view, closing);

  if (!strReport.empty()) {
    if (run.m_setupReport.Save(strReport) == 0) {
      view.PrintLine("");
      view.PrintLine("report: " + platform::PathForUser(strReport));
    } else {
      std::fprintf(stderr, "vamo-tool: the report could not be saved to %s\n", strReport.c_str());
      return kExitFailed;
    }
  }
  return ending == Ending::kCompleted ? kExitOk : kExitFailed;
}

}  // namespace
