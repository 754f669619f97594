#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/sim/HostPath.h"
#include "platform/fs/Path.h"
#include "platform/resources/ModuleResources.h"

namespace platform {

std::string ModuleFileName() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return {};
  return ToWindowsPath(std::string_view(buffer, static_cast<size_t>(length)));
}

bool IsModuleFile(std::string_view windowsPath) {
  const std::string hostPath = ToHostPath(windowsPath);
  if (hostPath.empty()) return false;
  struct stat candidate {};
  struct stat self {};
  if (stat(hostPath.c_str(), &candidate) != 0 || stat("/proc/self/exe", &self) != 0) return false;
  return candidate.st_dev == self.st_dev && candidate.st_ino == self.st_ino;
}

}  // namespace platform
