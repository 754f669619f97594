#include <netdb.h>

#include <cerrno>

#include "platform/core/Errno_posix.h"
#include "platform/core/Win32Error.h"

namespace platform {

namespace {
thread_local Win32Error t_lastError = kErrorSuccess;
}  // namespace

Win32Error GetLastError() { return t_lastError; }
void SetLastError(Win32Error error) { t_lastError = error; }

Win32Error Win32ErrorFromErrno(int err) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kErrorAccessDenied;
    case EISDIR: return kErrorAccessDenied;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case ETXTBSY:
    case EBUSY: return kErrorSharingViolation;
    case EWOULDBLOCK: return kErrorLockViolation;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EEXIST: return kErrorAlreadyExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EINVAL: return kErrorInvalidParameter;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case EXDEV: return kErrorNotSameDevice;
    case EIO: return kErrorGenFailure;
    case ENOEXEC: return kErrorBadExeFormat;
    case EPIPE: return kErrorBrokenPipe;
    case ENOSYS:
    case EOPNOTSUPP: return kErrorNotSupported;
    case ETIMEDOUT: return kErrorTimeout;
    case ELOOP: return kErrorPathNotFound;
    default: return kErrorGenFailure;
  }
}

Win32Error WsaErrorFromErrno(int err) {
  switch (err) {
    case 0: return kErrorSuccess;
    case EINTR: return kWsaEintr;
    case EBADF: return kWsaEbadf;
    case EACCES:
    case EPERM: return kWsaEacces;
    case EFAULT: return kWsaEfault;
    case EINVAL: return kWsaEinval;
    case EMFILE:
    case ENFILE: return kWsaEmfile;
    case EWOULDBLOCK: return kWsaEwouldblock;
    case EINPROGRESS: return kWsaEinprogress;
    case EALREADY: return kWsaEalready;
    case ENOTSOCK: return kWsaEnotsock;
    case EDESTADDRREQ: return kWsaEdestaddrreq;
    case EMSGSIZE: return kWsaEmsgsize;
    case EPROTOTYPE: return kWsaEprototype;
    case ENOPROTOOPT: return kWsaEnoprotoopt;
    case EPROTONOSUPPORT: return kWsaEprotonosupport;
    case ESOCKTNOSUPPORT: return kWsaEsocktnosupport;
    case EOPNOTSUPP: return kWsaEopnotsupp;
    case EAFNOSUPPORT: return kWsaEafnosupport;
    case EADDRINUSE: return kWsaEaddrinuse;
    case EADDRNOTAVAIL: return kWsaEaddrnotavail;
    case ENETDOWN: return kWsaEnetdown;
    case ENETUNREACH: return kWsaEnetunreach;
    case ENETRESET: return kWsaEnetreset;
    case ECONNABORTED: return kWsaEconnaborted;
    case ECONNRESET:
    case EPIPE: return kWsaEconnreset;
    case ENOBUFS:
    case ENOMEM: return kWsaEnobufs;
    case EISCONN: return kWsaEisconn;
    case ENOTCONN: return kWsaEnotconn;
    case ETIMEDOUT: return kWsaEtimedout;
    case ECONNREFUSED: return kWsaEconnrefused;
    case EHOSTDOWN: return kWsaEhostdown;
    case EHOSTUNREACH: return kWsaEhostunreach;
    default: return kWsaEinval;
  }
}

Win32Error WsaErrorFromEai(int eai, int err) {
  switch (eai) {
    case 0: return kErrorSuccess;
    case EAI_NONAME: return kWsaHostNotFound;
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_FAIL: return kWsaNoRecovery;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return kWsaNoData;
    case EAI_SERVICE: return kWsaTypeNotFound;
    case EAI_FAMILY: return kWsaEafnosupport;
    case EAI_SOCKTYPE: return kWsaEsocktnosupport;
    case EAI_BADFLAGS: return kWsaEinval;
    case EAI_MEMORY: return kErrorNotEnoughMemory;
    case EAI_SYSTEM: return WsaErrorFromErrno(err);
    default: return kWsaNoRecovery;
  }
}

std::string SystemMessage(Win32Error error) {
  // The texts Windows gives for the errors this system meets (English,
  // language neutral table).
  switch (error) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorInvalidFunction: return "Incorrect function.";
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorTooManyOpenFiles: return "The system cannot open the file.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorInvalidHandle: return "The handle is invalid.";
    case kErrorNotEnoughMemory: return "Not enough memory resources are available to process this command.";
    case kErrorInvalidData: return "The data is invalid.";
    case kErrorOutOfMemory: return "Not enough memory resources are available to complete this operation.";
    case kErrorCurrentDirectory: return "The directory cannot be removed.";
    case kErrorNotSameDevice: return "The system cannot move the file to a different disk drive.";
    case kErrorNoMoreFiles: return "There are no more files.";
    case kErrorWriteFault: return "The system cannot write to the specified device.";
    case kErrorReadFault: return "The system cannot read from the specified device.";
    case kErrorGenFailure: return "A device attached to the system is not functioning.";
    case kErrorSharingViolation: return "The process cannot access the file because it is being used by another process.";
    case kErrorLockViolation: return "The process cannot access the file because another process has locked a portion of the file.";
    case kErrorHandleEof: return "Reached the end of the file.";
    case kErrorHandleDiskFull: return "The disk is full.";
    case kErrorNotSupported: return "The request is not supported.";
    case kErrorFileExists: return "The file exists.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case kErrorBrokenPipe: return "The pipe has been ended.";
    case kErrorDiskFull: return "There is not enough space on the disk.";
    case kErrorInsufficientBuffer: return "The data area passed to a system call is too small.";
    case kErrorInvalidName: return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorModNotFound: return "The specified module could not be found.";
    case kErrorProcNotFound: return "The specified procedure could not be found.";
    case kErrorDirNotEmpty: return "The directory is not empty.";
    case kErrorBusy: return "The requested resource is in use.";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists.";
    case kErrorBadExeFormat: return "%1 is not a valid Win32 application.";
    case kErrorFilenameExcedRange: return "The filename or extension is too long.";
    case kErrorMoreData: return "More data is available.";
    case kErrorNoMoreItems: return "No more data is available.";
    case kErrorDirectory: return "The directory name is invalid.";
    case kErrorBadKey: return "The configuration registry key is invalid.";
    case kErrorCantOpenKey: return "The configuration registry key could not be opened.";
    case kErrorCantRead: return "The configuration registry key could not be read.";
    case kErrorCantWrite: return "The configuration registry key could not be written.";
    case kErrorRegistryCorrupt: return "The structure of one of the files containing registry data is corrupted.";
    case kErrorKeyDeleted: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case kErrorNoAssociation: return "No application is associated with the specified file for this operation.";
    case kErrorDdeFail: return "An error occurred in sending the command to the application.";
    case kErrorDllNotFound: return "One of the library files needed to run this application cannot be found.";
    case kErrorCancelled: return "The operation was canceled by the user.";
    case kErrorNoSuchAlias: return "The specified local group does not exist.";
    case kErrorTimeout: return "This operation returned because the timeout period expired.";
    default: return "";
  }
}

}  // namespace platform
