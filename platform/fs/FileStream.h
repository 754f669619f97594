#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/Win32Error.h"

// A file opened by Windows path for streaming reads or writes (CreateFileW /
// ReadFile / WriteFile), so that large files never have to be held whole.
namespace platform::fs {

enum class FileMode {
  kRead,      // existing file, read only
  kReadFile,  // existing regular file, read only; a FIFO, device or socket is
              // refused with kErrorAccessDenied, without waiting for a writer
              // (what CreateFileW gives for a name that is no file)
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
  // (kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied ...) is
  // returned.
  Win32Error Open(std::string_view windowsPath, FileMode mode);
  bool IsOpen() const { return m_fd >= 0; }

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
  int m_fd = -1;
};

// MoveFileExW with MOVEFILE_REPLACE_EXISTING on one volume: the target is
// replaced in one step. On failure both files are left as they were.
Win32Error ReplaceFileWith(std::string_view source, std::string_view target);

// DeleteFileW for a file: kErrorFileNotFound when it is missing,
// kErrorAccessDenied for a folder.
Win32Error RemoveFile(std::string_view path);

// RemoveDirectoryW: the folder must be empty (kErrorDirNotEmpty otherwise).
Win32Error RemoveEmptyDirectory(std::string_view path);

// GetDiskFreeSpaceExW: bytes available to the caller on the volume that holds
// the path (the nearest existing folder of it); an error when none exists.
std::expected<uint64_t, Win32Error> GetDiskFreeBytes(std::string_view path);

}  // namespace platform::fs
