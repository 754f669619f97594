// The engine's tests run the install procedure, which ends every process
// named like a browser: they run in process namespaces of their own.
#include <gtest/gtest.h>

#include "tests/support/PrivateProcesses.h"

int main(int argc, char** argv) {
  PrivateProcesses where = EnterPrivateProcesses();
  if (!where.bRunHere) return where.nExitStatus;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
