#pragma once

// The install phase run in-process, with the wall time split by the words the
// procedure shows while it works. Portable: the Linux install benches and the
// Windows driver that runs under Wine share it, so both systems are timed by
// the same code and their splits compare line by line.
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "diagnostics/SystemInfo.h"
#include "engine/ErrorInfo.h"
#include "engine/InstallHost.h"
#include "engine/InstallProcedure.h"
#include "engine/SetupReport.h"

namespace bench {

// Charges the time between two progress calls to what the earlier one said.
// Within an item's step the first percent call marks the answer's arrival
// (the sink opens on it), so a download splits into the time until the
// server answered (size probe, sessions, connection, request) and the body.
class TimingHost : public IInstallHost {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr const char* kBeforeItems = "(list: download, signature, parse)";
  static constexpr const char* kBodySuffix = " (body)";

  void Start() {
    m_state = kBeforeItems;
    m_since = Clock::now();
    m_bBodySeen = true;
  }
  void Stop() { Charge(""); }

  void SetCountProgress(const std::string& strLabel, int, int) override {
    Charge(strLabel);
    m_bBodySeen = false;
  }
  void SetPercentProgress(const std::string&, const std::string&, int, int) override {
    if (m_bBodySeen) return;
    m_bBodySeen = true;
    Charge(m_state + kBodySuffix);
  }
  bool IsStopRequested() override { return false; }

  // Seconds per state, summed over the items.
  const std::map<std::string, double>& Split() const { return m_split; }

 private:
  void Charge(const std::string& next) {
    const Clock::time_point now = Clock::now();
    m_split[m_state] += std::chrono::duration<double>(now - m_since).count();
    m_state = next;
    m_since = now;
  }

  std::map<std::string, double> m_split;
  std::string m_state = kBeforeItems;
  Clock::time_point m_since = Clock::now();
  bool m_bBodySeen = true;
};

struct PhaseResult {
  double seconds = -1;  // negative: the phase failed
  std::map<std::string, double> split;
};

// One install phase from the list at `listUrl`, without the pauses the
// design puts between the steps (so its time is that of its work).
inline PhaseResult RunInstallPhase(const CSystemInfo& systemInfo, const std::string& listUrl) {
  TimingHost host;
  CSetupReport report;
  CErrorInfo errorInfo;
  int bOtherBrowser = 0;
  CInstallProcedure procedure(host, report, errorInfo, systemInfo, bOtherBrowser);
  procedure.m_nStepPauseMs = 0;
  procedure.m_strUpdateListUrlOverride = listUrl;
  const auto start = TimingHost::Clock::now();
  host.Start();
  const int result = procedure.ProcInstall();
  host.Stop();
  PhaseResult phase;
  if (result != 0) {
    std::fprintf(stderr, "ProcInstall: %d\n%s", result, report.TextUtf8().c_str());
    return phase;
  }
  phase.seconds = std::chrono::duration<double>(TimingHost::Clock::now() - start).count();
  phase.split = host.Split();
  return phase;
}

}  // namespace bench
