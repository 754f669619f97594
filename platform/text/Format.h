#pragma once

#include <cstdarg>
#include <string>

namespace platform {

// printf formatting into a string of whatever length the text needs (the
// callers cut it to their own limits). An invalid format gives "".
std::string FormatV(const char* format, va_list args);

}  // namespace platform
