#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"

// A file opened by Windows path for streaming reads or writes (CreateFileW /
// ReadFile / WriteFile), so that large files never have to be held whole.
//
// Sharing, as an installer wants it: nobody reads a file while it is being
// written, and nobody rewrites a file while it is being read.
//   - Reading (kRead, kReadFile) shares reading and deleting
//     (FILE_SHARE_READ | FILE_SHARE_DELETE): other readers are welcome, and
//     the name may be deleted or renamed away while the bytes are read.
//   - Writing (kCreate, kAppend, kCreateNew) shares nothing.
// So an open for writing fails with kErrorSharingViolation while another
// stream reads or writes the file, an open for reading while another stream
// writes it; DeleteFileAt and CopyFileTo refuse a file being written with
// kErrorSharingViolation as well.
namespace platform::fs {

enum class FileMode {
  kRead,      // existing file, read only
  kReadFile,  // existing file on a disk, read only; a pipe, device or folder
              // is refused with kErrorAccessDenied, without waiting for a
              // writer
  kCreate,    // created or truncated, write only (CREATE_ALWAYS)
  kAppend,    // existing file, read and write, every write lands at the end
  kCreateNew, // a new file, write only; kErrorFileExists when the name is taken
              // (CREATE_NEW)
};

class FileStream {
 public:
  FileStream() = default;
  ~FileStream();
  FileStream(FileStream&& other) noexcept;
  FileStream& operator=(FileStream&& other) noexcept;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // Opens the file; on failure the stream stays closed and the Win32 error
  // (kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied for a folder,
  // kErrorSharingViolation, ...) is returned.
  Win32Error Open(std::string_view windowsPath, FileMode mode);
  bool IsOpen() const { return m_handle != kNoNativeHandle; }

  // Up to buffer.size() bytes from the current position; 0 at the end.
  std::expected<size_t, Win32Error> Read(std::span<uint8_t> buffer);
  // All bytes or an error (kErrorDiskFull when the volume is full).
  Win32Error Write(std::span<const uint8_t> bytes);
  Win32Error Write(std::string_view bytes);
  // Moves the position to the offset from the start (SetFilePointerEx).
  Win32Error Seek(uint64_t offset);
  // Size of the open file in bytes.
  std::expected<uint64_t, Win32Error> Size() const;
  // Flushes the data to the disk (FlushFileBuffers).
  Win32Error Flush();
  // Closes; a failure of the final close (data not written) is returned.
  Win32Error Close();

 private:
  NativeHandle m_handle = kNoNativeHandle;
};

// MoveFileExW with MOVEFILE_REPLACE_EXISTING on one volume: the target is
// replaced in one step. A read-only target or a folder is refused
// (kErrorAccessDenied). On failure both files are left as they were.
Win32Error ReplaceFileWith(std::string_view source, std::string_view target);

// DeleteFileW for a file: kErrorFileNotFound when it is missing,
// kErrorAccessDenied for a folder.
Win32Error RemoveFile(std::string_view path);

// RemoveDirectoryW: the folder must be empty (kErrorDirNotEmpty otherwise);
// a file in its place gives kErrorDirectory.
Win32Error RemoveEmptyDirectory(std::string_view path);

// GetDiskFreeSpaceExW: bytes available to the caller on the volume that holds
// the path (the nearest existing folder of it); an error when none exists.
std::expected<uint64_t, Win32Error> GetDiskFreeBytes(std::string_view path);

}  // namespace platform::fs
