#pragma once

// Waiting on and reading from a socket descriptor, resumed after signals:
// shared by the Linux sockets of this folder only.
#include <cstddef>
#include <cstdint>
#include <expected>
#include <vector>

namespace platform::net {

// poll() for the events until the time is used up: 1 ready, 0 time-out,
// -1 error (errno set).
int PollFor(int fd, short events, int nTimeoutMs);

// One recv() of at most nMaxBytes; the bytes read, or errno.
std::expected<std::vector<uint8_t>, int> ReceiveUpTo(int fd, size_t nMaxBytes);

}  // namespace platform::net
