#include "platform/sync/NamedMutex.h"
#include "platform/sync/NamedMutex_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/core/Errno_posix.h"
#include "platform/fs/FileSystem.h"
#include "platform/sim/HostFiles.h"
#include "platform/sim/Prefix.h"

// The mutex of the prefix: its ownership is an exclusive lock on a file
// below the prefix ("objects/<name>.lock"), so it ends with the process that
// holds it, however that process ends, and O_CLOEXEC keeps it from programs
// the owner starts. The machine has one session, so "Global\" names the same
// mutex as "Local\" and the bare name. A name holding "\" is refused with
// kErrorInvalidName; an error of writing the prefix is returned as is.
namespace platform {

namespace {

// Mutex names may hold any character but "\"; the file name keeps letters,
// digits, "-", "_" and "." and writes every other byte as %XX, so two
// names never share a file.
std::string FileNameOf(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string file;
  for (unsigned char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || (c == '.' && !file.empty());
    if (plain) {
      file += static_cast<char>(c);
    } else {
      file += '%';
      file += kHex[c >> 4];
      file += kHex[c & 0xF];
    }
  }
  return file + ".lock";
}

std::string_view WithoutNamespace(std::string_view name) {
  for (std::string_view space : {"Local\\", "Global\\"})
    if (name.starts_with(space)) return name.substr(space.size());
  return name;
}

}  // namespace

std::string NamedMutexLockFilePath(std::string_view name) {
  return PrefixRoot() + "/objects/" + FileNameOf(WithoutNamespace(name));
}

Win32Error NamedMutex::Create(std::string_view name) {
  Release();
  const std::string_view bare = WithoutNamespace(name);
  if (bare.empty() || bare.find('\\') != std::string_view::npos) return kErrorInvalidName;
  const std::string path = NamedMutexLockFilePath(bare);
  if (Win32Error error = fs::host::CreateDirectories(PrefixRoot() + "/objects"); error != kErrorSuccess) return error;
  // O_CLOEXEC: a program we start must not inherit the lock and keep it
  // after we are gone.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if (err == EINTR) continue;
    ::close(fd);
    return err == EWOULDBLOCK ? kErrorAlreadyExists : Win32ErrorFromErrno(err);
  }
  m_handle = fd;
  return kErrorSuccess;
}

void NamedMutex::Release() {
  if (m_handle == kNoNativeHandle) return;
  // The file stays: removing it could let a second process lock a new file
  // of the same name while a third still waits on the old one.
  ::flock(m_handle, LOCK_UN);
  ::close(m_handle);
  m_handle = kNoNativeHandle;
}

}  // namespace platform
