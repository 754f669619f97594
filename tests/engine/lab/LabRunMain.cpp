// The outer half of every test runs here; the inner half, started by the
// outer one inside the lab, runs in process namespaces of its own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/lab/LabRunSupport.h"
#include "tests/support/PrivateProcesses.h"

int main(int argc, char** argv) {
  if (std::getenv("VAMO_LAB_TEST") != nullptr && std::getenv("VAMO_LAB") != nullptr) {
    PrivateProcesses where = EnterPrivateProcesses();
    if (!where.bRunHere) return where.nExitStatus;
  }
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new SharedLabEnvironment);
  return RUN_ALL_TESTS();
}
