#pragma once

#include <string_view>

namespace platform {

// OutputDebugStringW: the text goes to the debugger where one listens, to
// standard error and, when the environment variable VAMO_DEBUG_LOG names a
// file (as the user names it: platform::PathForUser), is appended to it. Each call is one write, so lines from
// different threads or processes never interleave. A progress line held open
// on the terminal (platform/console) is closed before the text is written.
void WriteDebugString(std::string_view text);

}  // namespace platform
