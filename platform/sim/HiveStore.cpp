#include "platform/sim/HiveStore.h"

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

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/sim/Prefix.h"

namespace platform::reg {

namespace {

using platform::ScopedFd;

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
  if (error == kErrorSuccess && ::fdatasync(fd.Get()) != 0) error = Win32ErrorFromErrno(errno);
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

// One writer's hold on the registry: the in-process mutex and the flock,
// plus the hives as this writer has changed them so far. A single change
// opens and commits one of its own; a RegTransaction keeps one open for the
// thread so that many changes cost one write per hive.
class WriteSession {
 public:
  static std::expected<std::unique_ptr<WriteSession>, Win32Error> Open() {
    std::string folder = PrefixRegistryFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return std::unexpected(Win32ErrorFromErrno(ec.value()));

    std::unique_lock writer(g_writeLock);
    std::string lockPath = folder + "/.lock";
    ScopedFd lockFd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lockFd.Valid()) return std::unexpected(Win32ErrorFromErrno(errno));
    while (::flock(lockFd.Get(), LOCK_EX) != 0) {
      if (errno != EINTR) return std::unexpected(Win32ErrorFromErrno(errno));
    }
    RemoveStaleTempFiles(folder);
    return std::unique_ptr<WriteSession>(new WriteSession(std::move(folder), std::move(writer), std::move(lockFd)));
  }

  // The hive with this session's changes so far.
  std::expected<std::shared_ptr<const Hive>, Win32Error> Current(HiveFile file) {
    Working& working = m_hives[static_cast<size_t>(file)];
    if (!working.hive) {
      std::expected<std::shared_ptr<const Hive>, Win32Error> loaded = LoadHive(HivePath(m_strFolder, file), file);
      if (!loaded) return loaded;
      working.hive = *loaded;
    }
    return working.hive;
  }

  // Runs the change on a copy, which replaces the working hive only when
  // the change succeeded: a failed change leaves no trace.
  Win32Error Apply(HiveFile file, const HiveChange& change) {
    std::expected<std::shared_ptr<const Hive>, Win32Error> current = Current(file);
    if (!current) return current.error();
    auto updated = std::make_shared<Hive>(**current);
    bool modified = false;
    if (Win32Error error = change(*updated, modified)) return error;
    if (modified) {
      Working& working = m_hives[static_cast<size_t>(file)];
      working.hive = std::move(updated);
      working.dirty = true;
    }
    return kErrorSuccess;
  }

  // Writes every changed hive. The lock is released when the session goes.
  Win32Error Commit() {
    Win32Error result = kErrorSuccess;
    for (HiveFile file : {HiveFile::kMachine, HiveFile::kUsers}) {
      Working& working = m_hives[static_cast<size_t>(file)];
      if (!working.dirty) continue;
      working.dirty = false;
      if (Win32Error error = ReplaceHiveFile(m_strFolder, file, working.hive->Serialize())) {
        result = error;
        continue;
      }
      // The lock is still held, so the file on disk is the one just written.
      std::string path = HivePath(m_strFolder, file);
      struct stat info {};
      if (::stat(path.c_str(), &info) == 0) RememberHive(path, FileIdentity::Of(info), working.hive);
    }
    return result;
  }

 private:
  struct Working {
    std::shared_ptr<const Hive> hive;
    bool dirty = false;
  };

  WriteSession(std::string folder, std::unique_lock<std::mutex> writer, ScopedFd lockFd)
      : m_strFolder(std::move(folder)), m_writer(std::move(writer)), m_lockFd(std::move(lockFd)) {}

  std::string m_strFolder;
  std::unique_lock<std::mutex> m_writer;
  ScopedFd m_lockFd;  // closing it releases the flock
  Working m_hives[2];
};

struct ThreadTransaction {
  std::unique_ptr<WriteSession> session;
  int depth = 0;
  Win32Error openError = kErrorSuccess;
};

thread_local ThreadTransaction t_transaction;

// The thread's open transaction. It stays with the prefix it was opened
// for, even if VAMO_PREFIX changes meanwhile.
WriteSession* TransactionSession() { return t_transaction.session.get(); }

}  // namespace

std::string_view HiveRootName(HiveFile file) {
  return file == HiveFile::kMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
}

std::expected<std::shared_ptr<const Hive>, Win32Error> ReadHive(HiveFile file) {
  if (WriteSession* session = TransactionSession()) return session->Current(file);
  return LoadHive(HivePath(PrefixRegistryFolder(), file), file);
}

Win32Error ModifyHive(HiveFile file, const HiveChange& change) {
  if (WriteSession* session = TransactionSession()) return session->Apply(file, change);
  std::expected<std::unique_ptr<WriteSession>, Win32Error> session = WriteSession::Open();
  if (!session) return session.error();
  if (Win32Error error = (*session)->Apply(file, change)) return error;
  return (*session)->Commit();
}

void BeginTransaction() {
  if (t_transaction.depth++ > 0) return;
  std::expected<std::unique_ptr<WriteSession>, Win32Error> session = WriteSession::Open();
  if (session) {
    t_transaction.session = std::move(*session);
    t_transaction.openError = kErrorSuccess;
  } else {
    t_transaction.openError = session.error();
  }
}

Win32Error EndTransaction() {
  if (t_transaction.depth == 0) return kErrorSuccess;
  if (--t_transaction.depth > 0) return kErrorSuccess;
  Win32Error result = t_transaction.openError;
  if (t_transaction.session) {
    result = t_transaction.session->Commit();
    t_transaction.session.reset();
  }
  return result;
}

}  // namespace platform::reg
