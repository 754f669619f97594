#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ScratchSpace.h"

// A generated fixture of tests/data/authenticode (a PE image, a cabinet, a
// text file) by the Windows path the program opens it with: on drive Z:,
// which is the host's root in the Linux personality as under Wine.
std::string VersionFixture(const std::string& name);

// The version-info cases in two files, the portable ones and those that run
// the tool, share this fixture: a machine of their own (a fresh prefix on
// Linux).
class VersionInfoTest : public ::testing::Test {
 protected:
  ScratchSpace m_machine;
};
