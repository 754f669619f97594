#include "tests/system/VersionFixtures.h"

#include <algorithm>

// The fixtures are made on the build machine; Wine shows its root as Z:.
std::string VersionFixture(const std::string& name) {
  std::string path = "Z:" + std::string(VAMO_AUTHENTICODE_FIXTURES) + "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}
