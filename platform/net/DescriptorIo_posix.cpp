#include "platform/net/DescriptorIo_posix.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

namespace platform::net {

int PollFor(int fd, short events, int nTimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{fd, events, 0};
    const int rc = poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (rc >= 0) return rc > 0 ? 1 : 0;
    if (errno != EINTR) return -1;
  }
}

std::expected<std::vector<uint8_t>, int> ReceiveUpTo(int fd, size_t nMaxBytes) {
  std::vector<uint8_t> buffer(nMaxBytes);
  ssize_t count;
  do {
    count = recv(fd, buffer.data(), buffer.size(), 0);
  } while (count < 0 && errno == EINTR);
  if (count < 0) return std::unexpected(errno);
  buffer.resize(static_cast<size_t>(count));
  return buffer;
}

}  // namespace platform::net
