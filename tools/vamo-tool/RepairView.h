#pragma once

#include <string>
#include <vector>

#include "engine/SetupDriver.h"

// What `vamo-tool repair` shows of a run, built from the driver's fields the
// way the wizard window paints them: the five-step strip with the current
// step, the status text, the count line (a status word and "(n/total)") and
// the percent line (a word, "(xx.xx%)" and its sub-label) with their bars.
//
// On a terminal the lines are redrawn in place and fitted to its width; the
// analysis phases show a moving bar instead of the two progress lines. For a
// pipe the lines are plain and stable: each of them changes only when
// something worth a log line happened, so that one line per change stays
// readable (the percent line moves in steps of ten).
class RepairView {
 public:
  static constexpr int kSteps = 5;
  static const char* const kStepNames[kSteps];

  // The lines of a running run. nTick moves the bar of the analysis phases
  // (terminal only).
  static std::vector<std::string> TerminalLines(const CSetupState& snapshot, int nColumns, int nTick);
  static std::vector<std::string> PipeLines(const CSetupState& snapshot);

  // The last lines on a terminal when the run has ended: the strip with the
  // step it ended in (the closing text follows below it).
  static std::vector<std::string> FinalTerminalLines(const CSetupState& snapshot, bool bFailed,
                                                     int nColumns);

  // The strip: every step by name with the current one in brackets, or, on
  // a narrow terminal, numbers with only the current step named. Through a
  // pipe "단계 n/5 name". A failed step carries "오류". Never wider than
  // the terminal less one column (20 at the least).
  static std::string Strip(int nPhase, bool bFailed, bool bInPlace, int nColumns);

  // The window's text for a run that failed in this phase: the install
  // phase sends the user to the support desk, the analysis phases to the
  // Internet connection.
  static std::vector<std::string> ErrorText(int nPhase, const std::string& strPhone, const std::string& strEmail);

  // The lines of a text with line breaks, empty ones left out.
  static std::vector<std::string> TextLines(const std::string& strText);

  // Left text padded (or cut) so that the bar that follows it ends at the
  // last usable column.
  static std::string WithBar(const std::string& strLeft, long long nDone, long long nTotal, int nColumns);
};
