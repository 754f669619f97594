#pragma once

#include <unistd.h>

#include <utility>

// Owner of a host file descriptor, for the platform's Linux implementations
// only (nothing above platform/ sees descriptors).
namespace platform {

class ScopedFd {
 public:
  ScopedFd() = default;
  explicit ScopedFd(int fd) : m_fd(fd) {}
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
  // Closes the descriptor; returns close()'s result (0 when there was none).
  int Reset() {
    int rc = 0;
    if (m_fd >= 0) rc = ::close(m_fd);
    m_fd = -1;
    return rc;
  }

 private:
  int m_fd = -1;
};

}  // namespace platform
