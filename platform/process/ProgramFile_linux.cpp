#include "platform/process/ProgramFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/ScopedFd.h"
#include "platform/fs/Path.h"
#include "platform/process/Spawn_linux.h"

namespace platform {

ProgramFile::~ProgramFile() { Close(); }

void ProgramFile::ReleaseImage() {
  m_image.clear();
  m_image.shrink_to_fit();
}

void ProgramFile::Close() {
  ReleaseImage();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_strHostPath.clear();
}

Win32Error ProgramFile::Open(std::string_view windowsPath) {
  Close();
  if (windowsPath.empty()) return kErrorFileNotFound;
  std::string host = ToHostPath(windowsPath);
  if (host.empty()) return kErrorPathNotFound;
  ScopedFd fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) {
    int err = errno;
    if (err == ENOENT) {
      size_t slash = host.find_last_of('/');
      std::string parent = slash == 0 ? "/" : host.substr(0, slash);
      struct stat st;
      if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrorPathNotFound;
      return kErrorFileNotFound;
    }
    return detail::SpawnError(err);
  }
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return Win32ErrorFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return kErrorNoAssociation;
  std::vector<uint8_t> image;
  image.reserve(static_cast<size_t>(st.st_size));
  uint8_t block[64 * 1024];
  for (;;) {
    ssize_t n = ::read(fd.Get(), block, sizeof block);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return Win32ErrorFromErrno(errno);
    }
    if (n == 0) break;
    image.insert(image.end(), block, block + n);
  }
  m_image = std::move(image);
  m_fd = fd.Release();
  m_strHostPath = host;
  return kErrorSuccess;
}

std::expected<ProcessHandle, Win32Error> ProgramFile::Execute(std::string_view parameters) const {
  if (m_fd < 0) return std::unexpected(kErrorInvalidHandle);
  return detail::SpawnProgram(m_fd, m_strHostPath, parameters, true);
}

}  // namespace platform
