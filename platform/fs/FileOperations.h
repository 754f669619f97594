#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "platform/core/Win32Error.h"

// File operations of the personality that go beyond reading and writing
// whole files: copy, delete and the attribute bits, over Windows paths.
//
// The read-only attribute of a file is the absence of the owner's write
// permission. It is honoured even for root (who could write anyway), so a
// caller sees the same refusal Windows gives and has to clear it first.
namespace platform::fs {

inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kFileAttributeNormal = 0x80;

// GetFileAttributesW: kFileAttributeDirectory for a folder, kFileAttributeReadOnly
// when the owner may not write, kFileAttributeNormal when no other bit is set.
// kErrorFileNotFound / kErrorPathNotFound when it is missing.
std::expected<uint32_t, Win32Error> GetFileAttributes(std::string_view path);

// SetFileAttributesW: only the read-only bit has an effect: setting it
// removes every write permission, clearing it gives the owner write
// permission back. The other bits are accepted and ignored; folders ignore
// the read-only bit too. Nothing changes on failure.
Win32Error SetFileAttributes(std::string_view path, uint32_t attributes);

// CopyFileW. The target is replaced atomically: the bytes go into a
// temporary file in the target's folder, are flushed to the disk and only
// then renamed over the target, so the target is always either the old file
// or the complete new one, also when the copy fails half-way or the process
// is killed. The new file takes the source's permissions and modification
// time, as CopyFileW carries attributes and the last write time over.
//
// Failures (the target is left as it was, no temporary file remains):
//   kErrorFileNotFound / kErrorPathNotFound  source or target folder missing
//   kErrorFileExists        failIfExists and the target exists
//   kErrorAccessDenied      the target is read-only or a folder, or the host
//                           refuses access
//   kErrorSharingViolation  the target is a running program, or another
//                           process holds an exclusive lock (flock LOCK_EX) on it
//   kErrorDiskFull          the file system is full (or the quota exhausted)
Win32Error CopyFile(std::string_view source, std::string_view target, bool failIfExists);

// DeleteFileW: removes a file (not a folder: kErrorAccessDenied). A read-only
// file is refused with kErrorAccessDenied, a file locked exclusively by
// another process with kErrorSharingViolation. Missing: kErrorFileNotFound,
// or kErrorPathNotFound when its folder is missing.
Win32Error DeleteFile(std::string_view path);

}  // namespace platform::fs
