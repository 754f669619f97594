#pragma once

#include "platform/core/Win32Error.h"

// The one place where the POSIX backends turn errno (and the resolver's
// EAI_* codes) into the Win32 errors a Windows caller would have seen.
namespace platform {

// Maps a host errno to the Win32 error a Windows caller would have seen.
// Unknown values become kErrorGenFailure.
Win32Error Win32ErrorFromErrno(int err);

// The same for socket calls, whose errors Windows reports in the WSAE*
// range. Unknown values become kWsaEinval.
Win32Error WsaErrorFromErrno(int err);
// The resolver's EAI_* result (and errno for EAI_SYSTEM) as the WSA error
// getaddrinfo returns on Windows.
Win32Error WsaErrorFromEai(int eai, int err);

}  // namespace platform
