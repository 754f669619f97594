#include <time.h>

#include "platform/text/Format.h"

namespace platform {

std::string FormatLocalTime(const char* format, int64_t secondsSince1970) {
  const time_t time = static_cast<time_t>(secondsSince1970);
  tm local{};
  // localtime_r: the worker and the window may both format times.
  if (localtime_r(&time, &local) == nullptr) return {};
  char text[128] = {};
  return strftime(text, sizeof text, format, &local) > 0 ? std::string(text) : std::string();
}

}  // namespace platform
