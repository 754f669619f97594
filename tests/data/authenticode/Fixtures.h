#pragma once

#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"

// Paths of the generated PE, cabinet and certificate fixtures.
inline std::string FixtureHostPath(const std::string& name) {
  return std::string(VAMO_AUTHENTICODE_FIXTURES) + "/" + name;
}
inline std::string FixtureWindowsPath(const std::string& name) {
  return platform::ToWindowsPath(FixtureHostPath(name));
}
