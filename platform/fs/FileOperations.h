#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string_view>

#include "platform/core/Win32Error.h"

// File operations that go beyond reading and writing whole files: copy,
// delete and the attribute bits, over Windows paths.
//
// The read-only attribute is honoured for every caller, administrators
// included: a read-only file is not deleted or overwritten until the
// attribute is cleared.
namespace platform::fs {

class FileStream;

inline constexpr uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kFileAttributeArchive = 0x20;
inline constexpr uint32_t kFileAttributeNormal = 0x80;

// GetFileAttributesW: the attribute bits of a file or folder; test the ones
// that matter with a mask (kFileAttributeDirectory, kFileAttributeReadOnly),
// as Windows also sets others (archive, hidden, ...). kFileAttributeNormal
// alone when no other bit is set. kErrorFileNotFound / kErrorPathNotFound
// when it is missing.
std::expected<uint32_t, Win32Error> GetAttributes(std::string_view path);

// SetFileAttributesW. The read-only bit of a file is the one this system
// relies on (kFileAttributeNormal clears it); other bits may or may not be
// kept, and on a folder the read-only bit forbids nothing. Nothing changes
// on failure.
Win32Error SetAttributes(std::string_view path, uint32_t attributes);

// CopyFileW. The target is replaced atomically: the bytes go into a
// temporary file in the target's folder, are flushed to the disk and only
// then moved over the target (MoveFileExW with write-through), so the target
// is always either the old file or the complete new one, also when the copy
// fails half-way or the process is killed. The new file takes the source's
// read-only attribute and last write time, as CopyFileW carries them over.
//
// Failures (the target is left as it was, no temporary file remains):
//   kErrorFileNotFound / kErrorPathNotFound  source or target folder missing
//   kErrorFileExists        failIfExists and the target exists
//   kErrorAccessDenied      the source is a folder, the target is read-only,
//                           hidden or a folder, or access is refused
//   kErrorSharingViolation  the source is being written, or the target is a
//                           running program or held open without sharing
//                           (a FileStream writing it, above all)
//   kErrorDiskFull          the volume is full (or the quota exhausted)
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
// (read-only, a folder, in use, missing folder, disk full). The new file
// has no attributes of its source: whatever is installed can run.
Win32Error CopyFileFrom(FileStream& source, std::string_view target, CopyCheck* check);

// DeleteFileW: removes a file (not a folder: kErrorAccessDenied). A read-only
// file is refused with kErrorAccessDenied, a file held open without sharing
// deletion (a FileStream writing it) with kErrorSharingViolation. Missing:
// kErrorFileNotFound, or kErrorPathNotFound when its folder is missing.
Win32Error DeleteFileAt(std::string_view path);

}  // namespace platform::fs
