#include "platform/process/ProgramFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Errno_posix.h"
#include "platform/core/ScopedFd_posix.h"
#include "platform/process/Spawn_posix.h"
#include "platform/sim/HostPath.h"

// Linux cannot refuse others a rename or a delete of a file we hold, so the
// program is started from the descriptor itself: a file renamed over the path
// or removed after Open changes nothing. The open file can still be changed in
// place by whoever has write permission on it.
namespace platform {

void ProgramFile::Close() {
  ReleaseImage();
  if (m_hFile != kNoNativeHandle) ::close(m_hFile);
  m_hFile = kNoNativeHandle;
  m_strPath.clear();
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
  m_hFile = fd.Release();
  m_strPath = windowsPath;
  return kErrorSuccess;
}

std::expected<ProcessHandle, Win32Error> ProgramFile::Execute(std::string_view parameters) const {
  if (m_hFile == kNoNativeHandle) return std::unexpected(kErrorInvalidHandle);
  return detail::SpawnProgram(m_hFile, ToHostPath(m_strPath), parameters, true);
}

}  // namespace platform
