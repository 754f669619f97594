#include "platform/fs/DirectoryList.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/core/Errno_posix.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"

namespace platform::fs {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

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
  SortInFolderOrder(entries);
  return entries;
}

}  // namespace platform::fs
