// The names a cabinet may bring, the same on both systems: our own check
// runs before any extraction, whatever the cabinet library would allow.
#include "platform/cabinet/Cabinet.h"

namespace platform::cabinet {

bool IsSafeMemberName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (name.find(':') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    std::string_view part = name.substr(start, end - start);
    size_t dots = 0;
    bool onlyDotsAndSpaces = !part.empty();
    for (char c : part) {
      if (c == '.') {
        ++dots;
      } else if (c != ' ') {
        onlyDotsAndSpaces = false;
      }
    }
    if (onlyDotsAndSpaces && dots >= 2) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace platform::cabinet
