#include "platform/net/SocketLayer.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/Errno_posix.h"

namespace platform {

Win32Error InitSocketLayer() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  if (sigaction(SIGPIPE, &ignore, nullptr) != 0) return Win32ErrorFromErrno(errno);
  // A socket that is made and closed again; it is never bound or used.
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  ::close(fd);
  return kErrorSuccess;
}

}  // namespace platform
