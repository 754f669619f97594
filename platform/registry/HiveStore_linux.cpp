#include "platform/registry/HiveStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <map>
#include <mutex>

#include "platform/prefix/Prefix.h"

namespace platform::reg {

namespace {

// Owns a file descriptor.
class ScopedFd {
 public:
  explicit ScopedFd(int fd = -1) : m_fd(fd) {}
  ~ScopedFd() { Reset(); }
  ScopedFd(ScopedFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  ScopedFd& operator=(ScopedFd&& other) noexcept {
    if (this != &other) {
      Reset();
      m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;

  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  int Release() { return std::exchange(m_fd, -1); }
  void Reset() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd;
};

// Identity of one version of a hive file. A replaced file has a new inode and
// new times; the size and times together also tell apart an inode number
// that the file system handed out again.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileIdentity Of(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
  }
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
  }
};

struct CacheEntry {
  FileIdentity identity;
  std::shared_ptr<const Hive> hive;
};

// Tests make a fresh prefix each, so the cache is kept small.
constexpr size_t kMaxCachedHives = 8;

std::mutex g_cacheLock;
std::map<std::string, CacheEntry> g_cache;
// Serialises writers within the process; the flock serialises processes.
std::mutex g_writeLock;

const char* HiveFileName(HiveFile file) { return file == HiveFile::kMachine ? "machine.reg" : "users.reg"; }

std::string HivePath(const std::string& folder, HiveFile file) { return folder + "/" + HiveFileName(file); }

std::shared_ptr<const Hive> CachedHive(const std::string& path, const FileIdentity& identity) {
  std::lock_guard lock(g_cacheLock);
  auto it = g_cache.find(path);
  if (it != g_cache.end() && it->second.identity == identity) return it->second.hive;
  return nullptr;
}

void RememberHive(const std::string& path, const FileIdentity& identity, std::shared_ptr<const Hive> hive) {
  std::lock_guard lock(g_cacheLock);
  if (g_cache.size() >= kMaxCachedHives && g_cache.find(path) == g_cache.end()) g_cache.clear();
  g_cache[path] = CacheEntry{identity, std::move(hive)};
}

std::expected<std::shared_ptr<const Hive>, Win32Error> LoadHive(const std::string& path, HiveFile file) {
  ScopedFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno == ENOENT) return std::make_shared<const Hive>(std::string(HiveRootName(file)));
    return std::unexpected(Win32ErrorFromErrno(errno));
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  FileIdentity identity = FileIdentity::Of(info);
  if (std::shared_ptr<const Hive> cached = CachedHive(path, identity)) return cached;

  std::string text;
  text.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (true) {
    if (done == text.size()) text.resize(text.size() + 4096);
    ssize_t got = ::read(fd.Get(), text.data() + done, text.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(Win32ErrorFromErrno(errno));
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  text.resize(done);

  std::expected<Hive, Win32Error> parsed = Hive::Parse(HiveRootName(file), text);
  if (!parsed) return std::unexpected(parsed.error());
  auto hive = std::make_shared<const Hive>(std::move(*parsed));
  RememberHive(path, identity, hive);
  return hive;
}

Win32Error WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return Win32ErrorFromErrno(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return kErrorSuccess;
}

void SyncFolder(const std::string& folder) {
  ScopedFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());
}

std::string TempPrefix(HiveFile file) { return std::string(".") + HiveFileName(file) + ".tmp"; }

// A writer killed between creating its temporary file and the rename leaves
// the file behind. Under the lock no other writer is half-way, so whatever
// temporary files exist are such leftovers.
void RemoveStaleTempFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::string machine = TempPrefix(HiveFile::kMachine);
  std::string users = TempPrefix(HiveFile::kUsers);
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.starts_with(machine) || name.starts_with(users)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// Writes the text to a temporary file next to the hive and renames it over
// the hive. On failure the temporary file is removed and the hive untouched.
Win32Error ReplaceHiveFile(const std::string& folder, HiveFile file, std::string_view text) {
  std::string target = HivePath(folder, file);
  std::string temp = folder + "/" + TempPrefix(file) + "XXXXXX";
  ScopedFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.Valid()) return Win32ErrorFromErrno(errno);
  Win32Error error = WriteAll(fd.Get(), text);
  if (error == kErrorSuccess && ::fchmod(fd.Get(), 0644) != 0) error = Win32ErrorFromErrno(errno);
  if (error == kErrorSuccess && ::fsync(fd.Get()) != 0) error = Win32ErrorFromErrno(errno);
  // close() can report a delayed write error; the hive must not be replaced then.
  if (error == kErrorSuccess && ::close(fd.Release()) != 0) error = Win32ErrorFromErrno(errno);
  if (error == kErrorSuccess && ::rename(temp.c_str(), target.c_str()) != 0) error = Win32ErrorFromErrno(errno);
  if (error != kErrorSuccess) {
    ::unlink(temp.c_str());
    return error;
  }
  // The new hive is in place from here on; a failed folder sync only means
  // the rename may not survive a power cut, the change itself is done.
  SyncFolder(folder);
  return kErrorSuccess;
}

}  // namespace

std::string_view HiveRootName(HiveFile file) {
  return file == HiveFile::kMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
}

std::expected<std::shared_ptr<const Hive>, Win32Error> ReadHive(HiveFile file) {
  return LoadHive(HivePath(PrefixRegistryFolder(), file), file);
}

Win32Error ModifyHive(HiveFile file, const HiveChange& change) {
  std::string folder = PrefixRegistryFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return Win32ErrorFromErrno(ec.value());

  std::lock_guard writer(g_writeLock);
  std::string lockPath = folder + "/.lock";
  ScopedFd lockFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lockFd.Valid()) return Win32ErrorFromErrno(errno);
  while (::flock(lockFd.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) return Win32ErrorFromErrno(errno);
  }
  // Closing the descriptor (lockFd going out of scope) releases the lock.

  RemoveStaleTempFiles(folder);
  std::string path = HivePath(folder, file);
  std::expected<std::shared_ptr<const Hive>, Win32Error> current = LoadHive(path, file);
  if (!current) return current.error();

  Hive updated = **current;
  bool modified = false;
  if (Win32Error error = change(updated, modified)) return error;
  if (!modified) return kErrorSuccess;

  std::string text = updated.Serialize();
  if (Win32Error error = ReplaceHiveFile(folder, file, text)) return error;

  // The lock is still held, so the file on disk is the one just written.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    RememberHive(path, FileIdentity::Of(info), std::make_shared<const Hive>(std::move(updated)));
  }
  return kErrorSuccess;
}

}  // namespace platform::reg
