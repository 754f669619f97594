// The outer half of every test runs here and owns the one lab the program
// shares; the inner half runs in the lab's client namespace.
#include <gtest/gtest.h>

#include "tests/support/NetworkLab.h"
#include "tests/ui/WizardTestSupport.h"

int main(int argc, char** argv) {
  // Before the toolkit reads the desktop's folders: no test reaches a real
  // browser.
  wizardtest::SharedRecorderBrowser();
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new SharedLabEnvironment);
  return RUN_ALL_TESTS();
}
