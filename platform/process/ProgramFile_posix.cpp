#include "platform/process/ProgramFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/fs/Path.h"
#include "platform/process/Spawn_posix.h"

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
  std::string host;
  std::expected<ScopedFd, Win32Error> opened = detail::OpenProgramFile(windowsPath, host);
  if (!opened) return opened.error();
  ScopedFd fd = std::move(*opened);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return Win32ErrorFromErrno(errno);
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
