#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Errno_posix.h"
#include "platform/sim/HostPath.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/fs/FileOperations.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/Path.h"

namespace platform::fs {

namespace {

std::string HostParent(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

std::string HostBaseName(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

// Windows tells a missing file (2) from a missing folder on the way (3);
// errno says ENOENT for both.
Win32Error ErrorFor(const std::string& hostPath, int err) {
  if (err == ENOENT) {
    struct stat st;
    std::string parent = HostParent(hostPath);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrorPathNotFound;
    return kErrorFileNotFound;
  }
  return Win32ErrorFromErrno(err);
}

// Windows refuses to open a file for writing while it runs as a program or
// while another process opened it without sharing. The host shows the first
// as ETXTBSY on a write open and the second as an exclusive flock, which a
// shared probe cannot get. Shared locks (readers that let others in) do not
// block. Returns 0 when the file may be replaced.
Win32Error CheckNotInUse(const std::string& hostPath) {
  ScopedFd fd(::open(hostPath.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) {
    if (errno == ETXTBSY) return kErrorSharingViolation;
    if (errno == EACCES || errno == EPERM) return kErrorAccessDenied;
    // FIFOs without a reader, devices and the like: nothing to learn here.
    return kErrorSuccess;
  }
  if (::flock(fd.Get(), LOCK_SH | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return kErrorSharingViolation;
    return kErrorSuccess;
  }
  ::flock(fd.Get(), LOCK_UN);
  return kErrorSuccess;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string RandomSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kChars) - 2);
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += kChars[pick(engine)];
  return suffix;
}

// The file being written before it replaces the target. Preferably an
// unnamed O_TMPFILE, which a killed process cannot leave behind; on file
// systems without it a hidden named file that is removed on every failure.
class PendingFile {
 public:
  ~PendingFile() {
    if (!m_strName.empty()) ::unlink(m_strName.c_str());
  }

  Win32Error Create(const std::string& folder, const std::string& baseName, mode_t mode) {
    m_strFolder = folder;
    m_strBase = baseName;
    m_fd = ScopedFd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (m_fd.Valid()) return kErrorSuccess;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Win32ErrorFromErrno(errno);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = TempName();
      m_fd = ScopedFd(::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode));
      if (m_fd.Valid()) {
        m_strName = name;
        return kErrorSuccess;
      }
      if (errno != EEXIST) return Win32ErrorFromErrno(errno);
    }
    return kErrorFileExists;
  }

  int Fd() const { return m_fd.Get(); }

  // Gives the flushed file a name in the folder (if it has none yet) and
  // renames it over the target.
  Win32Error ReplaceTarget(const std::string& target) {
    if (m_strName.empty()) {
      std::string procPath = "/proc/self/fd/" + std::to_string(m_fd.Get());
      for (int attempt = 0; attempt < 100 && m_strName.empty(); ++attempt) {
        std::string name = TempName();
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          m_strName = name;
        } else if (errno != EEXIST) {
          return Win32ErrorFromErrno(errno);
        }
      }
      if (m_strName.empty()) return kErrorFileExists;
    }
    if (m_fd.Reset() != 0) return Win32ErrorFromErrno(errno);
    if (::rename(m_strName.c_str(), target.c_str()) != 0) return Win32ErrorFromErrno(errno);
    m_strName.clear();
    // The rename itself must reach the disk too, or a crash could bring
    // the old name back without the new content.
    ScopedFd dir(::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid()) ::fsync(dir.Get());
    return kErrorSuccess;
  }

 private:
  std::string TempName() const { return m_strFolder + "/." + m_strBase + ".vamo-" + RandomSuffix(); }

  std::string m_strFolder;
  std::string m_strBase;
  std::string m_strName;
  ScopedFd m_fd;
};

}  // namespace

// The read-only attribute of a file is the absence of the owner's write
// permission. It is honoured even for root (who could write anyway), so a
// caller sees the same refusal Windows gives and has to clear it first.
// Setting it removes every write permission, clearing it gives the owner
// write permission back; the other bits are accepted and ignored.
std::expected<uint32_t, Win32Error> GetAttributes(std::string_view path) {
  std::string host = ToHostPath(path);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return std::unexpected(ErrorFor(host, errno));
  if (S_ISDIR(st.st_mode)) return kFileAttributeDirectory;
  if ((st.st_mode & S_IWUSR) == 0) return kFileAttributeReadOnly;
  return kFileAttributeNormal;
}

Win32Error SetAttributes(std::string_view path, uint32_t attributes) {
  std::string host = ToHostPath(path);
  if (host.empty()) return kErrorPathNotFound;
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return ErrorFor(host, errno);
  if (S_ISDIR(st.st_mode)) return kErrorSuccess;  // folders ignore the read-only bit
  mode_t mode = st.st_mode & 07777;
  if (attributes & kFileAttributeReadOnly) {
    mode &= static_cast<mode_t>(~0222);
  } else {
    // The owner's write permission only: handing it to group and others
    // because they may read would make files writable by everyone.
    mode |= S_IWUSR;
  }
  if (mode == (st.st_mode & 07777)) return kErrorSuccess;
  if (::chmod(host.c_str(), mode) != 0) return Win32ErrorFromErrno(errno);
  return kErrorSuccess;
}

namespace {

// What CopyFileW refuses before it writes anything: a target that exists
// when it must not, is a folder, is read-only or is in use, and a target
// folder that is missing. Fills the target's folder.
Win32Error CheckTarget(const std::string& hostTarget, bool failIfExists, std::string& folder) {
  struct stat targetStat;
  if (::stat(hostTarget.c_str(), &targetStat) == 0) {
    if (failIfExists) return kErrorFileExists;
    if (S_ISDIR(targetStat.st_mode)) return kErrorAccessDenied;
    if ((targetStat.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
    if (Win32Error inUse = CheckNotInUse(hostTarget)) return inUse;
  } else if (errno != ENOENT) {
    return Win32ErrorFromErrno(errno);
  }
  folder = HostParent(hostTarget);
  struct stat folderStat;
  if (::stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) return kErrorPathNotFound;
  return kErrorSuccess;
}

constexpr size_t kCopyBlock = 256 * 1024;

}  // namespace

Win32Error CopyFileTo(std::string_view source, std::string_view target, bool failIfExists) {
  std::string hostSource = ToHostPath(source);
  std::string hostTarget = ToHostPath(target);
  if (hostSource.empty() || hostTarget.empty()) return kErrorPathNotFound;

  ScopedFd in(::open(hostSource.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!in.Valid()) return ErrorFor(hostSource, errno);
  struct stat sourceStat;
  if (::fstat(in.Get(), &sourceStat) != 0) return Win32ErrorFromErrno(errno);
  if (S_ISDIR(sourceStat.st_mode)) return kErrorAccessDenied;
  // CopyFileW reads the source sharing no writes: a source that a FileStream
  // is writing (its exclusive flock) is refused.
  if (::flock(in.Get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) return kErrorSharingViolation;

  std::string folder;
  if (Win32Error err = CheckTarget(hostTarget, failIfExists, folder)) return err;

  PendingFile pending;
  mode_t mode = sourceStat.st_mode & 07777;
  // Created writable for us; the source's permissions are applied at the end.
  if (Win32Error err = pending.Create(folder, HostBaseName(hostTarget), S_IRUSR | S_IWUSR)) return err;

  std::vector<char> buffer(kCopyBlock);
  for (;;) {
    ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Win32ErrorFromErrno(errno);
    }
    if (n == 0) break;
    if (!WriteAll(pending.Fd(), buffer.data(), static_cast<size_t>(n))) return Win32ErrorFromErrno(errno);
  }
  if (::fchmod(pending.Fd(), mode) != 0) return Win32ErrorFromErrno(errno);
  struct timespec times[2] = {{0, UTIME_NOW}, sourceStat.st_mtim};
  ::futimens(pending.Fd(), times);
  // Flushing is where a delayed allocation reports a full disk.
  if (::fsync(pending.Fd()) != 0) return Win32ErrorFromErrno(errno);
  return pending.ReplaceTarget(hostTarget);
}

Win32Error CopyFileFrom(FileStream& source, std::string_view target, CopyCheck* check) {
  if (!source.IsOpen()) return kErrorInvalidHandle;
  std::string hostTarget = ToHostPath(target);
  if (hostTarget.empty()) return kErrorPathNotFound;
  std::string folder;
  if (Win32Error err = CheckTarget(hostTarget, false, folder)) return err;
  if (Win32Error err = source.Seek(0)) return err;

  PendingFile pending;
  if (Win32Error err = pending.Create(folder, HostBaseName(hostTarget), S_IRUSR | S_IWUSR)) return err;
  std::vector<uint8_t> buffer(kCopyBlock);
  for (;;) {
    auto got = source.Read(buffer);
    if (!got) return got.error();
    if (*got == 0) break;
    std::span<const uint8_t> bytes(buffer.data(), *got);
    if (check != nullptr) check->Update(bytes);
    if (!WriteAll(pending.Fd(), reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
      return Win32ErrorFromErrno(errno);
    }
  }
  // The decision comes before anything touches the target: a refused copy
  // leaves only the pending file, which goes with it.
  if (check != nullptr && !check->Accept()) return kErrorInvalidData;
  // Windows has no permission to run a file, so anything installed can run;
  // only its owner may change it afterwards.
  if (::fchmod(pending.Fd(), 0755) != 0) return Win32ErrorFromErrno(errno);
  if (::fsync(pending.Fd()) != 0) return Win32ErrorFromErrno(errno);
  return pending.ReplaceTarget(hostTarget);
}

Win32Error DeleteFileAt(std::string_view path) {
  std::string host = ToHostPath(path);
  if (host.empty()) return kErrorPathNotFound;
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return ErrorFor(host, errno);
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  if (S_ISREG(st.st_mode)) {
    if ((st.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
    if (Win32Error inUse = CheckNotInUse(host)) return inUse;
  }
  if (::unlink(host.c_str()) != 0) return ErrorFor(host, errno);
  return kErrorSuccess;
}

}  // namespace platform::fs
