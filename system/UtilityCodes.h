#pragma once

// Results of the file, registration and process operations (CUtility,
// RegDLL). They share numbers with the network analysis codes but live only
// in item results and trace lines; they never reach the error record.
namespace utility_codes {

inline constexpr int kSuccess = 0;

inline constexpr int kNotLibrary = -9001;          // no entry point, not a .dll/.ocx
inline constexpr int kMissingExport = -9002;       // a .dll/.ocx without the entry point
inline constexpr int kRegisterFailed = -9003;      // load failure or failed registration

inline constexpr int kFileGeneric = -9010;
inline constexpr int kFileNotFound = -9011;
inline constexpr int kBadPath = -9012;
inline constexpr int kTooManyOpenFiles = -9013;
inline constexpr int kAccessDenied = -9014;
inline constexpr int kInvalidFile = -9015;
inline constexpr int kRemoveCurrentDir = -9016;
inline constexpr int kDirectoryFull = -9017;
inline constexpr int kBadSeek = -9018;
inline constexpr int kHardIo = -9019;
inline constexpr int kLockViolation = -9021;
inline constexpr int kDiskFullDelete = -9022;
inline constexpr int kEndOfFile = -9023;
inline constexpr int kMakeFolderFailed = -9024;
inline constexpr int kCopyFailed = -9026;
inline constexpr int kSharingViolation = -9027;
inline constexpr int kDiskFull = -9028;
inline constexpr int kExecuteOther = -9029;
inline constexpr int kExecuteDdeFail = -9030;
inline constexpr int kExecuteNoAssociation = -9031;
inline constexpr int kExecuteDllNotFound = -9032;
inline constexpr int kExecuteCancelled = -9033;
inline constexpr int kExecuteOutOfMemory = -9034;

}  // namespace utility_codes
