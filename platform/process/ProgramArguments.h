#pragma once

#include <string>
#include <vector>

namespace platform {

// This program's arguments after its own name, as UTF-8, for main(argc,
// argv). Windows gives main() its arguments in the ANSI code page, where
// characters beyond it (Korean names and values on a Western system) are
// already lost; the wide command line has them all, split as
// CommandLineToArgvW splits it. Falls back to argv when the command line
// cannot be split.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace platform
