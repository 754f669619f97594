#include "platform/fs/DirectoryList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/core/Errno_posix.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"
#include "platform/text/Utf.h"

namespace platform::fs {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // Iterative glob with one backtrack point; both sides case folded so that
  // "*.DEFAULT" finds "abc.default" as on Windows.
  std::string n = FoldCase(name);
  std::string p = FoldCase(pattern);
  size_t ni = 0, pi = 0;
  size_t starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++ni;
      ++pi;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

std::expected<std::vector<DirectoryEntry>, Win32Error> ListDirectory(std::string_view folder,
                                                                     std::string_view pattern) {
  std::string host = ToHostPath(folder);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(host.c_str()));
  if (!dir) {
    int err = errno;
    if (err == ENOENT || err == ENOTDIR) return std::unexpected(kErrorPathNotFound);
    return std::unexpected(Win32ErrorFromErrno(err));
  }
  std::vector<DirectoryEntry> entries;
  while (dirent* ent = ::readdir(dir.get())) {
    std::string_view name = ent->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchesWildcard(name, pattern)) continue;
    DirectoryEntry entry;
    entry.name = std::string(name);
    // d_type is unknown on some file systems and never follows a link.
    struct stat st;
    std::string full = host + "/" + entry.name;
    entry.isDirectory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    std::string fa = FoldCase(a.name), fb = FoldCase(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
  });
  return entries;
}

}  // namespace platform::fs
