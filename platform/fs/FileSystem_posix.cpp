#include "platform/fs/FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostFiles.h"
#include "platform/sim/HostPath.h"

namespace platform::fs {

namespace {


bool StatHost(const std::string& hostPath, struct stat& st) {
  return !hostPath.empty() && stat(hostPath.c_str(), &st) == 0;
}

// A missing parent folder is "path not found" in Windows terms, a missing
// last component "file not found".
Win32Error MissingError(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
  struct stat st;
  if (slash != std::string::npos && (!StatHost(parent, st) || !S_ISDIR(st.st_mode))) {
    return kErrorPathNotFound;
  }
  return kErrorFileNotFound;
}

Win32Error ErrorOf(int err, const std::string& hostPath) {
  if (err == ENOENT) return MissingError(hostPath);
  return Win32ErrorFromErrno(err);
}

std::string ParentFolder(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

// Non-blocking, so that a FIFO put in a file's place cannot hang the
// reader; only regular files are read (a device could be endless), the rest
// is refused as Windows refuses a folder. With `shared`, a file held by a
// writer (the exclusive flock of FileStream) is refused as Windows refuses a
// file open without read sharing.
std::expected<std::vector<uint8_t>, Win32Error> ReadRegularFile(const std::string& hostPath, bool shared) {
  ScopedFd fd(open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) return std::unexpected(ErrorOf(errno, hostPath));
  struct stat st;
  if (fstat(fd.Get(), &st) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  if (!S_ISREG(st.st_mode)) return std::unexpected(kErrorAccessDenied);
  if (shared && flock(fd.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return std::unexpected(kErrorSharingViolation);
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t got = read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(Win32ErrorFromErrno(errno));
    }
    if (got == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

bool FileExists(std::string_view path) {
  struct stat st;
  return StatHost(ToHostPath(path), st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st;
  return StatHost(ToHostPath(path), st) && S_ISDIR(st.st_mode);
}

bool CanReadWrite(std::string_view path) {
  std::string host = ToHostPath(path);
  return !host.empty() && access(host.c_str(), R_OK | W_OK) == 0;
}

Win32Error MakeDirectory(std::string_view path) {
  std::string host = ToHostPath(path);
  if (host.empty()) return kErrorPathNotFound;
  if (mkdir(host.c_str(), 0755) == 0) return kErrorSuccess;
  int err = errno;
  if (err == EEXIST) return kErrorAlreadyExists;
  if (err == ENOENT) return kErrorPathNotFound;
  return Win32ErrorFromErrno(err);
}

Win32Error CreateDirectoryPath(std::string_view path) {
  std::string host = ToHostPath(path);
  if (host.empty()) return kErrorPathNotFound;
  return host::CreateDirectories(host);
}

std::expected<std::vector<uint8_t>, Win32Error> ReadFileBytes(std::string_view path) {
  std::string host = ToHostPath(path);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  return ReadRegularFile(host, true);
}

Win32Error WriteFileAtomic(std::string_view path, std::span<const uint8_t> bytes) {
  std::string host = ToHostPath(path);
  if (host.empty()) return kErrorPathNotFound;
  // The final move does not replace a read-only file on Windows.
  struct stat st;
  if (StatHost(host, st) && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
  return host::WriteFileAtomic(host, bytes);
}

Win32Error WriteFileAtomic(std::string_view path, std::string_view bytes) {
  return WriteFileAtomic(path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

namespace host {

std::expected<std::vector<uint8_t>, Win32Error> ReadFileBytes(const std::string& hostPath) {
  return ReadRegularFile(hostPath, false);
}

Win32Error WriteFileAtomic(const std::string& hostPath, std::span<const uint8_t> bytes) {
  static std::atomic<unsigned> counter{0};
  std::string folder = ParentFolder(hostPath);
  std::string name = hostPath.substr(hostPath.find_last_of('/') + 1);
  std::string temp = folder + "/." + name + ".tmp-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter.fetch_add(1));

  mode_t mode = 0644;
  struct stat st;
  if (stat(hostPath.c_str(), &st) == 0) mode = st.st_mode & 07777;

  ScopedFd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.Get() < 0) return ErrorOf(errno, hostPath);
  auto fail = [&](int err) {
    unlink(temp.c_str());
    return Win32ErrorFromErrno(err);
  };
  if (!WriteAll(fd.Get(), bytes.data(), bytes.size())) return fail(errno);
  if (fchmod(fd.Get(), mode) != 0) return fail(errno);
  if (fsync(fd.Get()) != 0) return fail(errno);
  if (close(fd.Release()) != 0) return fail(errno);
  if (rename(temp.c_str(), hostPath.c_str()) != 0) return fail(errno);
  // The rename is durable only once the folder itself is on disk.
  ScopedFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) fsync(dir.Get());
  return kErrorSuccess;
}

Win32Error CreateDirectories(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? kErrorSuccess : kErrorAlreadyExists;
  std::string prefix;
  size_t start = 0;
  while (start < hostPath.size()) {
    size_t end = hostPath.find('/', start);
    if (end == std::string::npos) end = hostPath.size();
    prefix = hostPath.substr(0, end);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
      return Win32ErrorFromErrno(errno);
    }
    start = end + 1;
  }
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kErrorSuccess : kErrorPathNotFound;
}

}  // namespace host

}  // namespace platform::fs
