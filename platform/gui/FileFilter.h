#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::gui {

// One entry of a file dialog's filter: what the list shows and the patterns
// ("*.rpt", "*.txt") it stands for.
struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};

// MFC's "description|pattern;pattern|...||" string. An empty description
// ends the list; a pair whose pattern is empty ("*.rpt||") uses its
// description as the pattern; empty patterns between ";" are dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

// Where the file name of a Windows path starts (after the last "\" or "/").
size_t FileNameStart(std::string_view path);

}  // namespace platform::gui
