#pragma once

#include <string_view>

namespace platform {

// OutputDebugStringW: the text goes to standard error and, when VAMO_DEBUG_LOG
// names a file, is appended to it. Each call is one write, so lines from
// different threads or processes never interleave.
void OutputDebugString(std::string_view text);

}  // namespace platform
