#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string_view>

#include "platform/core/Win32Error.h"

// File operations of the personality that go beyond reading and writing
// whole files: copy, delete and the attribute bits, over Windows paths.
//
// The read-only attribute of a file is the absence of the owner's write
// permission. It is honoured even for root (who could write anyway), so a
// caller sees the same refusal Windows gives and has to clear it first.
namespace platform::fs {

class FileStream;

inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kFileAttributeNormal = 0x80;

// GetFileAttributesW: kFileAttributeDirectory for a folder, kFileAttributeReadOnly
// when the owner may not write, kFileAttributeNormal when no other bit is set.
// kErrorFileNotFound / kErrorPathNotFound when it is missing.
std::expected<uint32_t, Win32Error> GetAttributes(std::string_view path);

// SetFileAttributesW: only the read-only bit has an effect: setting it
// removes every write permission, clearing it gives the owner write
// permission back. The other bits are accepted and ignored; folders ignore
// the read-only bit too. Nothing changes on failure.
Win32Error SetAttributes(std::string_view path, uint32_t attributes);

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
Win32Error CopyFileTo(std::string_view source, std::string_view target, bool failIfExists);

// Looks at the bytes a copy moves and decides, once the last one is written,
// whether the new file may replace the target.
class CopyCheck {
 public:
  virtual ~CopyCheck() = default;
  // Every byte of the source, in order, as it goes to the new file.
  virtual void Update(std::span<const uint8_t> bytes) = 0;
  // After the last byte: true lets the new file replace the target.
  virtual bool Accept() = 0;
};

// The copy for a source that is already open for reading: the bytes are read
// from its start through this one open file, so what is copied is what the
// caller opened, whatever the source's path names meanwhile. With a check,
// the target is replaced only when the check accepts the bytes it saw;
// otherwise kErrorInvalidData and the target stays as it was.
//
// The target is replaced atomically as by CopyFile and refused likewise
// (read-only, a folder, in use, missing folder, disk full). The new file is
// readable and executable by everyone and writable by its owner only:
// Windows has no permission to run a file, so anything installed can run,
// and nobody else may change it afterwards.
Win32Error CopyFileFrom(FileStream& source, std::string_view target, CopyCheck* check);

// DeleteFileW: removes a file (not a folder: kErrorAccessDenied). A read-only
// file is refused with kErrorAccessDenied, a file locked exclusively by
// another process with kErrorSharingViolation. Missing: kErrorFileNotFound,
// or kErrorPathNotFound when its folder is missing.
Win32Error DeleteFileAt(std::string_view path);

}  // namespace platform::fs
