#pragma once

#include <string>
#include <utility>

// The phases of a run in the order the worker goes through them. The
// numbers are the ones the step strip, the report and the tool count with.
enum class SetupPhase : int {
  kUserAnalysis = 0,
  kNetworkAnalysis = 1,
  kBrowserAnalysis = 2,
  kInstall = 3,
  kDone = 4,
};

// The phase's number (0 to 4), for the places that index or count by it.
constexpr int PhaseNumber(SetupPhase phase) { return std::to_underlying(phase); }

// The fields of a run that the window shows, written by the worker (phase,
// stop flag, status and progress) and by the window (stop flag, error
// look). The driver keeps one of these under its lock and hands out copies
// (CSetupDriver::TakeSnapshot), so a reader never sees a text half replaced
// or a count from one item with the total of another.
struct CSetupState {
  SetupPhase m_nPhase = SetupPhase::kUserAnalysis;
  // The worker must end: set by the worker at the end of its job and by the
  // window when it stops the worker.
  bool m_bStop = false;
  // The run failed: the bars and the text are drawn in the failed look.
  bool m_bErrorMode = false;
  // The big text in the middle of the window.
  std::string m_strStatus;

  // The count line: a word and "(current/total)".
  std::string m_strCountLabel;
  std::string m_strCountText;
  int m_nCountCurrent = 0;
  int m_nCountTotal = 0;

  // The percent line: a word, "(xx.xx%)" and a file name.
  std::string m_strPercentLabel;
  std::string m_strPercentSubLabel;
  std::string m_strPercentText;
  int m_nPercentDone = 0;
  int m_nPercentTotal = 0;
};
