#include "tests/system/VersionFixtures.h"

#include "tests/data/authenticode/Fixtures.h"

std::string VersionFixture(const std::string& name) { return FixtureWindowsPath(name); }
