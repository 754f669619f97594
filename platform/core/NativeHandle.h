#pragma once

// The handle a platform object holds, typed per system and kept behind the
// object's class: a file descriptor or process id on Linux, a kernel HANDLE
// (or HKEY, or a Winsock SOCKET) on Windows, named here without <windows.h>.
namespace platform {

#ifdef _WIN32
using NativeHandle = void*;
// Objects store "none" as null; a backend turns INVALID_HANDLE_VALUE into it.
inline constexpr NativeHandle kNoNativeHandle = nullptr;
// A Winsock SOCKET (UINT_PTR); "none" is INVALID_SOCKET.
using NativeSocket = unsigned long long;
inline constexpr NativeSocket kNoNativeSocket = ~0ULL;
#else
using NativeHandle = int;
inline constexpr NativeHandle kNoNativeHandle = -1;
using NativeSocket = int;
inline constexpr NativeSocket kNoNativeSocket = -1;
#endif

}  // namespace platform
