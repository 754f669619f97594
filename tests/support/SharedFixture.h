#pragma once

#include <functional>
#include <string>

// CTest runs every test in a process of its own, so fixtures that are slow to
// make (a set-up prefix, keys and certificates) are made once per build of a
// test program and kept in the build tree. The folder is keyed by the
// program's modification time, so a rebuilt program makes a fresh one, and
// it is made aside and renamed into place, so a concurrent test never sees a
// half-made one. `make` fills the folder it is given; it throws on failure.
std::string SharedFixtureFolder(const std::string& name, const std::function<void(const std::string&)>& make);
