#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/fs/MappedFile.h"
#include "platform/fs/Path.h"

namespace platform::fs {

std::expected<MappedFile, Win32Error> MappedFile::Open(std::string_view path) {
  const std::string host = ToHostPath(path);
  if (host.empty()) return std::unexpected(kErrorPathNotFound);
  // Non-blocking, so that naming a FIFO cannot hang the caller; only regular
  // files are mapped.
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::unexpected(Win32ErrorFromErrno(errno));
  struct stat st {};
  Win32Error error = kErrorSuccess;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (fstat(fd, &st) != 0) {
    error = Win32ErrorFromErrno(errno);
  } else if (!S_ISREG(st.st_mode)) {
    error = kErrorAccessDenied;
  } else if (st.st_size > 0) {
    size = static_cast<size_t>(st.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      error = Win32ErrorFromErrno(errno);
    } else {
      data = static_cast<const uint8_t*>(view);
      // The readers walk the file front to back.
      madvise(view, size, MADV_SEQUENTIAL);
    }
  }
  close(fd);
  if (error != kErrorSuccess) return std::unexpected(error);
  return MappedFile(data, data ? size : 0);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_pData(std::exchange(other.m_pData, nullptr)), m_nSize(std::exchange(other.m_nSize, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Release();
    m_pData = std::exchange(other.m_pData, nullptr);
    m_nSize = std::exchange(other.m_nSize, 0);
  }
  return *this;
}

MappedFile::~MappedFile() { Release(); }

void MappedFile::Release() {
  if (m_pData != nullptr) munmap(const_cast<uint8_t*>(m_pData), m_nSize);
  m_pData = nullptr;
  m_nSize = 0;
}

}  // namespace platform::fs
