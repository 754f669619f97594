#pragma once

#include <cstdint>
#include <string>

// The personality speaks Win32: every failure of a platform service is one of
// these numbers, never an errno. The mapping from errno lives in one place,
// Win32ErrorFromErrno().
namespace platform {

using Win32Error = uint32_t;

inline constexpr Win32Error kErrorSuccess = 0;
inline constexpr Win32Error kErrorInvalidFunction = 1;
inline constexpr Win32Error kErrorFileNotFound = 2;
inline constexpr Win32Error kErrorPathNotFound = 3;
inline constexpr Win32Error kErrorTooManyOpenFiles = 4;
inline constexpr Win32Error kErrorAccessDenied = 5;
inline constexpr Win32Error kErrorInvalidHandle = 6;
inline constexpr Win32Error kErrorNotEnoughMemory = 8;
inline constexpr Win32Error kErrorInvalidData = 13;
inline constexpr Win32Error kErrorOutOfMemory = 14;
inline constexpr Win32Error kErrorCurrentDirectory = 16;
inline constexpr Win32Error kErrorNotSameDevice = 17;
inline constexpr Win32Error kErrorNoMoreFiles = 18;
inline constexpr Win32Error kErrorWriteFault = 29;
inline constexpr Win32Error kErrorReadFault = 30;
inline constexpr Win32Error kErrorGenFailure = 31;
inline constexpr Win32Error kErrorSharingViolation = 32;
inline constexpr Win32Error kErrorLockViolation = 33;
inline constexpr Win32Error kErrorHandleEof = 38;
inline constexpr Win32Error kErrorHandleDiskFull = 39;
inline constexpr Win32Error kErrorNotSupported = 50;
inline constexpr Win32Error kErrorFileExists = 80;
inline constexpr Win32Error kErrorInvalidParameter = 87;
inline constexpr Win32Error kErrorBrokenPipe = 109;
inline constexpr Win32Error kErrorDiskFull = 112;
inline constexpr Win32Error kErrorInsufficientBuffer = 122;
inline constexpr Win32Error kErrorInvalidName = 123;
inline constexpr Win32Error kErrorModNotFound = 126;
inline constexpr Win32Error kErrorProcNotFound = 127;
inline constexpr Win32Error kErrorDirNotEmpty = 145;
inline constexpr Win32Error kErrorBusy = 170;
inline constexpr Win32Error kErrorAlreadyExists = 183;
inline constexpr Win32Error kErrorBadExeFormat = 193;
inline constexpr Win32Error kErrorFilenameExcedRange = 206;
inline constexpr Win32Error kErrorMoreData = 234;
inline constexpr Win32Error kErrorNoMoreItems = 259;
inline constexpr Win32Error kErrorDirectory = 267;
inline constexpr Win32Error kErrorNoAssociation = 1155;
inline constexpr Win32Error kErrorDdeFail = 1156;
inline constexpr Win32Error kErrorDllNotFound = 1157;
inline constexpr Win32Error kErrorBadKey = 1010;
inline constexpr Win32Error kErrorCantOpenKey = 1011;
inline constexpr Win32Error kErrorCantRead = 1012;
inline constexpr Win32Error kErrorCantWrite = 1013;
inline constexpr Win32Error kErrorRegistryCorrupt = 1015;
inline constexpr Win32Error kErrorKeyDeleted = 1018;
inline constexpr Win32Error kErrorCancelled = 1223;
inline constexpr Win32Error kErrorNoSuchAlias = 1376;
inline constexpr Win32Error kErrorTimeout = 1460;

// Maps a host errno to the Win32 error a Windows caller would have seen.
// Unknown values become kErrorGenFailure.
Win32Error Win32ErrorFromErrno(int err);

// The system's message text for a Win32 error (FormatMessage, language
// neutral), without a trailing line break; empty when there is none.
std::string SystemMessage(Win32Error error);

// The calling thread's last error, as GetLastError/SetLastError keep it.
Win32Error GetLastError();
void SetLastError(Win32Error error);

}  // namespace platform
