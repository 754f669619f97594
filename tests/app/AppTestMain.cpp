// The start-up tests run in a PID namespace of their own, so the browser scan
// sees only the processes a test started, and in a network of their own, the
// only kind of network the wizard agrees to start in (its run would probe
// it; these tests' runs are scripted and never do).
#include <gtest/gtest.h>

#include "tests/support/PrivateProcesses.h"
#include "tests/ui/WizardTestSupport.h"

int main(int argc, char** argv) {
  PrivateProcesses where = EnterPrivateProcesses(true);
  if (!where.bRunHere) return where.nExitStatus;
  // Before the toolkit reads the desktop's folders: no test reaches a real
  // browser.
  wizardtest::SharedRecorderBrowser();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
