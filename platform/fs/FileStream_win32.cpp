#include "platform/fs/FileStream.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/core/Wide_win32.h"
#include "platform/fs/PendingFile_win32.h"

namespace platform::fs {

namespace {

struct OpenRequest {
  DWORD access;
  DWORD share;
  DWORD disposition;
};

// The share modes the header states: readers let others read and delete,
// writers let nobody in.
OpenRequest RequestFor(FileMode mode) {
  constexpr DWORD kReaderShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
  switch (mode) {
    case FileMode::kRead:
    case FileMode::kReadFile: return {GENERIC_READ, kReaderShare, OPEN_EXISTING};
    case FileMode::kCreate: return {GENERIC_WRITE, 0, CREATE_ALWAYS};
    // Append data without write data: Windows puts every write at the end.
    case FileMode::kAppend: return {GENERIC_READ | FILE_APPEND_DATA, 0, OPEN_EXISTING};
    case FileMode::kCreateNew: return {GENERIC_WRITE, 0, CREATE_NEW};
  }
  return {GENERIC_READ, kReaderShare, OPEN_EXISTING};
}

// A file on a disk, not a folder: what kReadFile accepts.
bool IsDiskFile(HANDLE handle) {
  if (::GetFileType(handle) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// ReadFile and WriteFile take a DWORD count.
constexpr size_t kMaxChunk = 1u << 30;

}  // namespace

Win32Error FileStream::Open(std::string_view windowsPath, FileMode mode) {
  Close();
  const OpenRequest request = RequestFor(mode);
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder is refused (access denied).
  ScopedHandle handle(::CreateFileW(Widen(windowsPath).c_str(), request.access, request.share, nullptr,
                                    request.disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) return LastError();
  if (mode == FileMode::kReadFile && !IsDiskFile(handle.Get())) return kErrorAccessDenied;
  m_handle = handle.Release();
  return kErrorSuccess;
}

std::expected<size_t, Win32Error> FileStream::Read(std::span<uint8_t> buffer) {
  if (!IsOpen()) return std::unexpected(kErrorInvalidHandle);
  DWORD got = 0;
  DWORD wanted = static_cast<DWORD>(std::min(buffer.size(), kMaxChunk));
  if (!::ReadFile(m_handle, buffer.data(), wanted, &got, nullptr)) {
    // A pipe whose writer is gone has simply ended.
    if (::GetLastError() == ERROR_BROKEN_PIPE) return 0;
    return std::unexpected(LastError());
  }
  return static_cast<size_t>(got);
}

Win32Error FileStream::Write(std::span<const uint8_t> bytes) {
  if (!IsOpen()) return kErrorInvalidHandle;
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!::WriteFile(m_handle, bytes.data(), static_cast<DWORD>(std::min(bytes.size(), kMaxChunk)), &written,
                     nullptr)) {
      return LastError();
    }
    if (written == 0) return kErrorWriteFault;
    bytes = bytes.subspan(written);
  }
  return kErrorSuccess;
}

Win32Error FileStream::Seek(uint64_t offset) {
  if (!IsOpen()) return kErrorInvalidHandle;
  if (offset > static_cast<uint64_t>(INT64_MAX)) return kErrorInvalidParameter;
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(m_handle, distance, nullptr, FILE_BEGIN) ? kErrorSuccess : LastError();
}

std::expected<uint64_t, Win32Error> FileStream::Size() const {
  if (!IsOpen()) return std::unexpected(kErrorInvalidHandle);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(m_handle, &size)) return std::unexpected(LastError());
  return static_cast<uint64_t>(size.QuadPart);
}

Win32Error FileStream::Flush() {
  if (!IsOpen()) return kErrorInvalidHandle;
  return ::FlushFileBuffers(m_handle) ? kErrorSuccess : LastError();
}

Win32Error FileStream::Close() {
  if (!IsOpen()) return kErrorSuccess;
  HANDLE handle = m_handle;
  m_handle = kNoNativeHandle;
  return ::CloseHandle(handle) ? kErrorSuccess : LastError();
}

Win32Error ReplaceFileWith(std::string_view source, std::string_view target) {
  return ::MoveFileExW(Widen(source).c_str(), Widen(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? kErrorSuccess
             : LastError();
}

Win32Error RemoveFile(std::string_view path) {
  return ::DeleteFileW(Widen(path).c_str()) ? kErrorSuccess : LastError();
}

Win32Error RemoveEmptyDirectory(std::string_view path) {
  return ::RemoveDirectoryW(Widen(path).c_str()) ? kErrorSuccess : LastError();
}

std::expected<uint64_t, Win32Error> GetDiskFreeBytes(std::string_view path) {
  // GetDiskFreeSpaceExW wants an existing folder; the file itself may not
  // exist yet, so the nearest existing folder of the path stands for it.
  std::string probe(path);
  for (;;) {
    ULARGE_INTEGER available;
    if (::GetDiskFreeSpaceExW(Widen(probe).c_str(), &available, nullptr, nullptr)) return available.QuadPart;
    Win32Error error = LastError();
    std::string parent = ParentOfPath(probe);
    bool missing = error == kErrorFileNotFound || error == kErrorPathNotFound || error == kErrorDirectory;
    if (!missing || parent.empty() || parent == probe) return std::unexpected(error);
    probe = std::move(parent);
  }
}

}  // namespace platform::fs
