#include "platform/fs/Path.h"

namespace platform {

SplitPath SplitWindowsPath(std::string_view path) {
  SplitPath split;
  if (path.size() >= 2 && path[1] == ':') {
    split.drive = std::string(path.substr(0, 2));
    path.remove_prefix(2);
  }
  size_t slash = path.find_last_of("\\/");
  std::string_view name = path;
  if (slash != std::string_view::npos) {
    split.dir = std::string(path.substr(0, slash + 1));
    name = path.substr(slash + 1);
  }
  size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) {
    split.fname = std::string(name);
  } else {
    split.fname = std::string(name.substr(0, dot));
    split.ext = std::string(name.substr(dot));
  }
  return split;
}

std::string JoinWindowsPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') joined += '\\';
  while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.remove_prefix(1);
  joined += name;
  return joined;
}

}  // namespace platform
