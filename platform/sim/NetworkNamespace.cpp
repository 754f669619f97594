#include "platform/sim/NetworkNamespace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

namespace platform::net {

namespace {

struct FileId {
  dev_t device;
  ino_t inode;
  bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

// Two marks of a process's network namespace. The namespace file names it,
// but only the process's owner (or root) may open it. The namespace's own
// /proc/<pid>/net entries are readable by anyone and have one inode per
// namespace, so a user's process can still tell its lab from the machine's
// network, whose first processes belong to root.
struct NamespaceMarks {
  std::optional<FileId> nsFile;
  std::optional<FileId> procNet;
};

NamespaceMarks NetworkNamespaceOf(const std::string& pid) {
  return {IdOf("/proc/" + pid + "/ns/net"), IdOf("/proc/" + pid + "/net/dev")};
}

// Whether the two are known to be different namespaces; an unreadable pair
// counts as the same one.
bool Differ(const NamespaceMarks& own, const NamespaceMarks& other) {
  if (own.nsFile && other.nsFile) return !(*own.nsFile == *other.nsFile);
  if (own.procNet && other.procNet) return !(*own.procNet == *other.procNet);
  return false;
}

// The parent's pid from /proc/<pid>/stat ("pid (comm) state ppid ..."; the
// command may hold spaces and parentheses, so read after the last ')').
long ParentOf(long pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  char state = 0;
  long parent = 0;
  return std::sscanf(text.c_str() + close + 1, " %c %ld", &state, &parent) == 2 ? parent : 0;
}

}  // namespace

bool IsPrivateNetworkNamespace() {
  const NamespaceMarks own = NetworkNamespaceOf("self");
  if (!own.nsFile && !own.procNet) return false;
  if (Differ(own, NetworkNamespaceOf("1"))) return true;
  // A bounded walk: process trees are shallow, and a pid read back wrongly
  // must not loop.
  long pid = static_cast<long>(getppid());
  for (int depth = 0; depth < 64 && pid > 1; ++depth) {
    if (Differ(own, NetworkNamespaceOf(std::to_string(pid)))) return true;
    pid = ParentOf(pid);
  }
  return false;
}

}  // namespace platform::net
