#include "platform/text/Format.h"

#include <ctime>

namespace platform {

std::string FormatLocalTime(const char* format, int64_t secondsSince1970) {
  const __time64_t time = static_cast<__time64_t>(secondsSince1970);
  tm local{};
  // The C runtime's own conversion, with the time zone rules it reads from
  // the system; the reentrant form, as the worker and the window may both
  // format times.
  if (::_localtime64_s(&local, &time) != 0) return {};
  char text[128] = {};
  return std::strftime(text, sizeof text, format, &local) > 0 ? std::string(text) : std::string();
}

}  // namespace platform
