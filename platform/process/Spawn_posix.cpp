#include "platform/process/Spawn_posix.h"

#include "platform/core/Errno_posix.h"
#include "platform/fs/Path.h"
#include "platform/sim/HostPath.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace platform::detail {

namespace {

std::string FindInPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!rest.empty()) {
    size_t colon = rest.find(':');
    std::string folder(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty()) continue;
    std::string candidate = folder + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// posix_spawn_file_actions_t with its destroy call.
class FileActions {
 public:
  FileActions() { m_bValid = ::posix_spawn_file_actions_init(&m_actions) == 0; }
  ~FileActions() {
    if (m_bValid) ::posix_spawn_file_actions_destroy(&m_actions);
  }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  bool Valid() const { return m_bValid; }
  posix_spawn_file_actions_t* Get() { return &m_actions; }

 private:
  posix_spawn_file_actions_t m_actions;
  bool m_bValid = false;
};

}  // namespace

ProgramKind KindOfProgram(int fd) {
  unsigned char head[4] = {};
  ssize_t n = ::pread(fd, head, sizeof head, 0);
  if (n >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) return ProgramKind::kNative;
  if (n >= 2 && head[0] == '#' && head[1] == '!') return ProgramKind::kNative;
  if (n >= 2 && head[0] == 'M' && head[1] == 'Z') return ProgramKind::kPe;
  return ProgramKind::kOther;
}

std::expected<ScopedFd, Win32Error> OpenProgramFile(std::string_view windowsPath, std::string& hostPath) {
  if (windowsPath.empty()) return std::unexpected(kErrorFileNotFound);
  hostPath = ToHostPath(windowsPath);
  if (hostPath.empty()) return std::unexpected(kErrorPathNotFound);
  ScopedFd fd(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) {
    int err = errno;
    if (err != ENOENT) return std::unexpected(SpawnError(err));
    // Windows tells a missing folder from a missing file.
    size_t slash = hostPath.find_last_of('/');
    std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
    struct stat st;
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::unexpected(kErrorPathNotFound);
    return std::unexpected(kErrorFileNotFound);
  }
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return std::unexpected(Win32ErrorFromErrno(errno));
  if (!S_ISREG(st.st_mode)) return std::unexpected(kErrorNoAssociation);
  return fd;
}

Win32Error SpawnError(int err) {
  switch (err) {
    case ENOEXEC: return kErrorNoAssociation;
    case EAGAIN:
    case ENOMEM: return kErrorNotEnoughMemory;
    case EACCES:
    case EPERM: return kErrorAccessDenied;
    default: return Win32ErrorFromErrno(err);
  }
}

std::expected<ProcessHandle, Win32Error> SpawnProgram(int fd, const std::string& hostPath,
                                                      std::string_view parameters, bool byDescriptor) {
  // The new process finds the file under its own descriptor table's name for
  // it; the descriptor is inherited there.
  const std::string image = byDescriptor ? "/proc/self/fd/" + std::to_string(fd) : hostPath;
  std::vector<std::string> args;
  std::string program;
  bool needsDescriptorAfterStart = false;
  switch (KindOfProgram(fd)) {
    case ProgramKind::kNative: {
      unsigned char head[2] = {};
      bool script = ::pread(fd, head, 2, 0) == 2 && head[0] == '#' && head[1] == '!';
      // An interpreter opens its script by the name it is given, after the
      // start; a binary is opened by the kernel during it.
      needsDescriptorAfterStart = script;
      program = image;
      args.push_back(hostPath);
      break;
    }
    case ProgramKind::kPe:
      program = FindInPath("wine");
      if (program.empty()) return std::unexpected(kErrorNoAssociation);
      needsDescriptorAfterStart = true;
      args.push_back(program);
      args.push_back(image);
      break;
    case ProgramKind::kOther:
      return std::unexpected(kErrorNoAssociation);
  }
  for (std::string& arg : SplitArgumentText(parameters)) args.push_back(std::move(arg));

  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  FileActions actions;
  if (!actions.Valid()) return std::unexpected(kErrorNotEnoughMemory);
  // dup2 onto itself clears close-on-exec in the child only.
  if (byDescriptor && needsDescriptorAfterStart &&
      ::posix_spawn_file_actions_adddup2(actions.Get(), fd, fd) != 0) {
    return std::unexpected(kErrorNotEnoughMemory);
  }
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environ);
  if (rc != 0) return std::unexpected(SpawnError(rc));
  return ProcessHandle(pid, static_cast<uint32_t>(pid));
}

}  // namespace platform::detail
