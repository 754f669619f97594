#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace platform {

// printf formatting into a string of whatever length the text needs (the
// callers cut it to their own limits). An invalid format gives "".
std::string FormatV(const char* format, va_list args);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// strftime of a time (seconds since 1970, UTC) in the machine's local time
// zone, as the C runtime's localtime gives it. Empty when the time cannot be
// shown.
std::string FormatLocalTime(const char* format, int64_t secondsSince1970);

}  // namespace platform
