#pragma once

// True when the suite runs under Wine rather than on Windows or Linux: a
// case that encodes Windows' behaviour where Wine is known to differ says so
// through this, naming the evidence beside it.
bool RunningUnderWine();

// Skips the current test under Wine, with the reason in one line.
#define SKIP_UNDER_WINE(reason)                                   \
  do {                                                            \
    if (RunningUnderWine()) GTEST_SKIP() << "Wine: " << (reason); \
  } while (false)
