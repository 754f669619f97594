#include "platform/gui/FileFilter.h"

namespace platform::gui {

namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
  std::vector<FileFilter> filters;
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;  // "||" ends the list
    FileFilter entry{parts[i], {}};
    for (const std::string& pattern : Split(parts[i + 1].empty() ? parts[i] : parts[i + 1], ';'))
      if (!pattern.empty()) entry.patterns.push_back(pattern);
    filters.push_back(std::move(entry));
  }
  return filters;
}

size_t FileNameStart(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace platform::gui
