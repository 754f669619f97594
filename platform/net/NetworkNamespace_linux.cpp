#include "platform/net/NetworkNamespace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

namespace platform::net {

namespace {

struct NamespaceId {
  dev_t device;
  ino_t inode;
  bool operator==(const NamespaceId&) const = default;
};

std::optional<NamespaceId> NetworkNamespaceOf(const std::string& pid) {
  struct stat info {};
  if (stat(("/proc/" + pid + "/ns/net").c_str(), &info) != 0) return std::nullopt;
  return NamespaceId{info.st_dev, info.st_ino};
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
  const std::optional<NamespaceId> own = NetworkNamespaceOf("self");
  if (!own) return false;
  if (const std::optional<NamespaceId> first = NetworkNamespaceOf("1"); first && !(*first == *own)) return true;
  // A bounded walk: process trees are shallow, and a pid read back wrongly
  // must not loop.
  long pid = static_cast<long>(getppid());
  for (int depth = 0; depth < 64 && pid > 1; ++depth) {
    const std::optional<NamespaceId> ancestor = NetworkNamespaceOf(std::to_string(pid));
    if (ancestor && !(*ancestor == *own)) return true;
    pid = ParentOf(pid);
  }
  return false;
}

}  // namespace platform::net
