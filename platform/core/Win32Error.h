#pragma once

#include <cstdint>
#include <string>

// The platform speaks Win32: every failure of a platform service is one of
// these numbers, as GetLastError gives them.
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
inline constexpr Win32Error kErrorNotReady = 21;
inline constexpr Win32Error kErrorGenFailure = 31;
inline constexpr Win32Error kErrorSharingViolation = 32;
inline constexpr Win32Error kErrorLockViolation = 33;
inline constexpr Win32Error kErrorHandleEof = 38;
inline constexpr Win32Error kErrorHandleDiskFull = 39;
inline constexpr Win32Error kErrorNotSupported = 50;
inline constexpr Win32Error kErrorFileExists = 80;
inline constexpr Win32Error kErrorInvalidParameter = 87;
inline constexpr Win32Error kErrorBrokenPipe = 109;
inline constexpr Win32Error kErrorBufferOverflow = 111;
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
inline constexpr Win32Error kErrorNoData = 232;
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
inline constexpr Win32Error kErrorDeviceNotConnected = 1167;
inline constexpr Win32Error kErrorCancelled = 1223;
inline constexpr Win32Error kErrorNoSuchAlias = 1376;
inline constexpr Win32Error kErrorTimeout = 1460;

// Windows Sockets errors (WSAGetLastError), and the resolver's.
inline constexpr Win32Error kWsaEintr = 10004;
inline constexpr Win32Error kWsaEbadf = 10009;
inline constexpr Win32Error kWsaEacces = 10013;
inline constexpr Win32Error kWsaEfault = 10014;
inline constexpr Win32Error kWsaEinval = 10022;
inline constexpr Win32Error kWsaEmfile = 10024;
inline constexpr Win32Error kWsaEwouldblock = 10035;
inline constexpr Win32Error kWsaEinprogress = 10036;
inline constexpr Win32Error kWsaEalready = 10037;
inline constexpr Win32Error kWsaEnotsock = 10038;
inline constexpr Win32Error kWsaEdestaddrreq = 10039;
inline constexpr Win32Error kWsaEmsgsize = 10040;
inline constexpr Win32Error kWsaEprototype = 10041;
inline constexpr Win32Error kWsaEnoprotoopt = 10042;
inline constexpr Win32Error kWsaEprotonosupport = 10043;
inline constexpr Win32Error kWsaEsocktnosupport = 10044;
inline constexpr Win32Error kWsaEopnotsupp = 10045;
inline constexpr Win32Error kWsaEafnosupport = 10047;
inline constexpr Win32Error kWsaEaddrinuse = 10048;
inline constexpr Win32Error kWsaEaddrnotavail = 10049;
inline constexpr Win32Error kWsaEnetdown = 10050;
inline constexpr Win32Error kWsaEnetunreach = 10051;
inline constexpr Win32Error kWsaEnetreset = 10052;
inline constexpr Win32Error kWsaEconnaborted = 10053;
inline constexpr Win32Error kWsaEconnreset = 10054;
inline constexpr Win32Error kWsaEnobufs = 10055;
inline constexpr Win32Error kWsaEisconn = 10056;
inline constexpr Win32Error kWsaEnotconn = 10057;
inline constexpr Win32Error kWsaEtimedout = 10060;
inline constexpr Win32Error kWsaEconnrefused = 10061;
inline constexpr Win32Error kWsaEhostdown = 10064;
inline constexpr Win32Error kWsaEhostunreach = 10065;
inline constexpr Win32Error kWsaTypeNotFound = 10109;
inline constexpr Win32Error kWsaHostNotFound = 11001;
inline constexpr Win32Error kWsaTryAgain = 11002;
inline constexpr Win32Error kWsaNoRecovery = 11003;
inline constexpr Win32Error kWsaNoData = 11004;

// The system's message text for a Win32 error (FormatMessage, language
// neutral), without a trailing line break; empty when there is none.
std::string SystemMessage(Win32Error error);

// The calling thread's last error, as GetLastError/SetLastError keep it.
Win32Error GetLastError();
void SetLastError(Win32Error error);

}  // namespace platform
