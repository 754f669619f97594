#pragma once

#include "platform/core/Win32Error.h"

namespace platform {

// WSAStartup (AfxSocketInit) for a program that will use sockets: makes
// the process's sockets behave as Windows sockets do, where a write to a
// connection the peer has closed fails with an error instead of ending the
// program (SIGPIPE is ignored from here on), and checks that the host can
// make a socket at all. kErrorSuccess, or the error of the failed check
// (kErrorTooManyOpenFiles, kErrorNotSupported, ...); nothing is sent.
Win32Error InitSocketLayer();

}  // namespace platform
