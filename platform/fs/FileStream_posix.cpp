#include "platform/fs/FileStream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/core/Errno_posix.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"

namespace platform::fs {

namespace {

// A path that maps to no drive we have is what Windows calls a bad path.
std::expected<std::string, Win32Error> HostPathOf(std::string_view windowsPath) {
  std::string host = ToHostPath(windowsPath);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  return host;
}

// ENOENT on a file whose folder is missing is "path not found" on Windows.
Win32Error OpenError(int err, const std::string& hostPath) {
  if (err == ENOENT) {
    std::string::size_type slash = hostPath.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
      struct stat st;
      if (::stat(hostPath.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return kErrorPathNotFound;
      }
    }
    return kErrorFileNotFound;
  }
  return Win32ErrorFromErrno(err);
}

bool Writes(FileMode mode) { return mode == FileMode::kCreate || mode == FileMode::kAppend || mode == FileMode::kCreateNew; }

// The share modes of the header, as flocks on the open file: readers hold a
// shared lock, writers an exclusive one, so a reader and a writer (or two
// writers) exclude each other as CreateFileW's share modes make them. Taken
// without waiting; a held lock is Windows' sharing violation.
Win32Error TakeShareLock(int fd, FileMode mode) {
  while (::flock(fd, (Writes(mode) ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return kErrorSharingViolation;
    return kErrorSuccess;  // a file system without flock shares everything
  }
  return kErrorSuccess;
}

}  // namespace

Win32Error FileStream::Open(std::string_view windowsPath, FileMode mode) {
  Close();
  auto host = HostPathOf(windowsPath);
  if (!host) return host.error();
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::kRead: flags |= O_RDONLY; break;
    // Non-blocking, so that opening a FIFO does not wait for a writer; a
    // regular file reads the same either way.
    case FileMode::kReadFile: flags |= O_RDONLY | O_NONBLOCK; break;
    // Truncated only once the lock is ours: a reader must not lose the bytes.
    case FileMode::kCreate: flags |= O_WRONLY | O_CREAT; break;
    case FileMode::kAppend: flags |= O_RDWR | O_APPEND; break;
    case FileMode::kCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
  }
  int fd = ::open(host->c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return kErrorFileExists;  // what CREATE_NEW says
    return OpenError(errno, *host);
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && (S_ISDIR(st.st_mode) || (mode == FileMode::kReadFile && !S_ISREG(st.st_mode)))) {
    ::close(fd);
    return kErrorAccessDenied;
  }
  if (Win32Error shared = TakeShareLock(fd, mode)) {
    ::close(fd);
    return shared;
  }
  if (mode == FileMode::kCreate && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
    Win32Error err = Win32ErrorFromErrno(errno);
    ::close(fd);
    return err;
  }
  m_handle = fd;
  return kErrorSuccess;
}

std::expected<size_t, Win32Error> FileStream::Read(std::span<uint8_t> buffer) {
  if (m_handle < 0) return std::unexpected(kErrorInvalidHandle);
  for (;;) {
    ssize_t n = ::read(m_handle, buffer.data(), buffer.size());
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return std::unexpected(Win32ErrorFromErrno(errno));
  }
}

Win32Error FileStream::Write(std::span<const uint8_t> bytes) {
  if (m_handle < 0) return kErrorInvalidHandle;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(m_handle, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Win32ErrorFromErrno(errno);
    }
    if (n == 0) return kErrorWriteFault;
    done += static_cast<size_t>(n);
  }
  return kErrorSuccess;
}

Win32Error FileStream::Seek(uint64_t offset) {
  if (m_handle < 0) return kErrorInvalidHandle;
  if (offset > static_cast<uint64_t>(INT64_MAX)) return kErrorInvalidParameter;
  if (::lseek(m_handle, static_cast<off_t>(offset), SEEK_SET) < 0) return Win32ErrorFromErrno(errno);
  return kErrorSuccess;
}

std::expected<uint64_t, Win32Error> FileStream::Size() const {
  if (m_handle < 0) return std::unexpected(kErrorInvalidHandle);
  struct stat st;
  if (::fstat(m_handle, &st) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  return static_cast<uint64_t>(st.st_size);
}

Win32Error FileStream::Flush() {
  if (m_handle < 0) return kErrorInvalidHandle;
  return ::fsync(m_handle) == 0 ? kErrorSuccess : Win32ErrorFromErrno(errno);
}

Win32Error FileStream::Close() {
  if (m_handle < 0) return kErrorSuccess;
  int rc = ::close(m_handle);
  m_handle = kNoNativeHandle;
  // After close() the descriptor is gone even on EINTR; only a real write-back
  // failure (EIO, ENOSPC on network file systems) is worth reporting.
  if (rc != 0 && errno != EINTR) return Win32ErrorFromErrno(errno);
  return kErrorSuccess;
}

Win32Error ReplaceFileWith(std::string_view source, std::string_view target) {
  auto from = HostPathOf(source);
  if (!from) return from.error();
  auto to = HostPathOf(target);
  if (!to) return to.error();
  // Windows will not replace a read-only file; rename would.
  struct stat st;
  if (::stat(to->c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
  if (::rename(from->c_str(), to->c_str()) != 0) return OpenError(errno, *from);
  return kErrorSuccess;
}

Win32Error RemoveFile(std::string_view path) {
  auto host = HostPathOf(path);
  if (!host) return host.error();
  struct stat st;
  if (::lstat(host->c_str(), &st) != 0) return OpenError(errno, *host);
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  if (::unlink(host->c_str()) != 0) return Win32ErrorFromErrno(errno);
  return kErrorSuccess;
}

Win32Error RemoveEmptyDirectory(std::string_view path) {
  auto host = HostPathOf(path);
  if (!host) return host.error();
  if (::rmdir(host->c_str()) != 0) {
    int err = errno;
    if (err == ENOTEMPTY || err == EEXIST) return kErrorDirNotEmpty;
    if (err == ENOTDIR) return kErrorDirectory;
    return OpenError(err, *host);
  }
  return kErrorSuccess;
}

std::expected<uint64_t, Win32Error> GetDiskFreeBytes(std::string_view path) {
  auto host = HostPathOf(path);
  if (!host) return std::unexpected(host.error());
  // The file itself may not exist yet; the volume is that of its nearest
  // existing ancestor.
  std::string probe = *host;
  struct statvfs vfs;
  while (::statvfs(probe.c_str(), &vfs) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return std::unexpected(Win32ErrorFromErrno(errno));
    std::string::size_type slash = probe.find_last_of('/');
    if (slash == std::string::npos) return std::unexpected(kErrorPathNotFound);
    probe = slash == 0 ? "/" : probe.substr(0, slash);
  }
  return static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
}

}  // namespace platform::fs
