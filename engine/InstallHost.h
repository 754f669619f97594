#pragma once

#include <string>

// What the install procedure needs from the run it belongs to: the window's
// two progress lines and the stop flag. The setup driver implements it; the
// procedure never sees the window.
class IInstallHost {
 public:
  virtual ~IInstallHost() = default;
  // The count line: a status word and "(current/total)".
  virtual void SetCountProgress(const std::string& strLabel, int nCurrent, int nTotal) = 0;
  // The percent line: a word, a sub-label and done of total.
  virtual void SetPercentProgress(const std::string& strLabel, const std::string& strSubLabel, int nDone,
                                  int nTotal) = 0;
  // The stop flag of the run: set when the window wants the worker to end.
  virtual bool IsStopRequested() = 0;
};
