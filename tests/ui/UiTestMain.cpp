// The window tests run in a PID namespace of their own: the browser prompt's
// scan then sees only the processes a test started.
#include <gtest/gtest.h>

#include "tests/support/PrivateProcesses.h"
#include "tests/ui/WizardTestSupport.h"

int main(int argc, char** argv) {
  PrivateProcesses where = EnterPrivateProcesses();
  if (!where.bRunHere) return where.nExitStatus;
  // Before the toolkit reads the desktop's folders: no test reaches a real
  // browser.
  wizardtest::SharedRecorderBrowser();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
