#include "platform/fs/FileOperations.h"

#include <windows.h>

#include <vector>

#include "platform/core/Wide_win32.h"
#include "platform/fs/FileStream.h"
#include "platform/fs/PendingFile_win32.h"

namespace platform::fs {

namespace {

constexpr size_t kCopyBlock = 256 * 1024;

// The attributes a copy carries over, as CopyFileW does; the archive bit is
// set on every new file.
constexpr DWORD kCarriedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// What CopyFileW refuses before it writes anything: a target that exists
// when it must not, is a folder, is read-only or hidden, or is in use (a running
// program, a file open without sharing writes). A missing target folder
// shows when the pending file is created.
Win32Error CheckTarget(const std::wstring& target, bool failIfExists) {
  DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return kErrorSuccess;
  if (failIfExists) return kErrorFileExists;
  // CopyFileW refuses a hidden target as well.
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) {
    return kErrorAccessDenied;
  }
  // Opening it for writing, without changing it, is what CopyFileW would
  // have done; a running program or a holder that shares no writing refuses.
  ScopedHandle probe(::CreateFileW(target.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  return probe.Valid() ? kErrorSuccess : LastError();
}

// Copies everything from the handle's position to its end.
Win32Error CopyBytes(HANDLE source, PendingFile& pending) {
  std::vector<uint8_t> buffer(kCopyBlock);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return LastError();
    if (got == 0) return kErrorSuccess;
    if (Win32Error error = pending.Write(std::span<const uint8_t>(buffer.data(), got))) return error;
  }
}

}  // namespace

std::expected<uint32_t, Win32Error> GetAttributes(std::string_view path) {
  DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::unexpected(LastError());
  return attributes;
}

Win32Error SetAttributes(std::string_view path, uint32_t attributes) {
  return ::SetFileAttributesW(Widen(path).c_str(), attributes) ? kErrorSuccess : LastError();
}

Win32Error CopyFileTo(std::string_view source, std::string_view target, bool failIfExists) {
  // The source is read as FileStream reads: nobody may be writing it.
  ScopedHandle in(::CreateFileW(Widen(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.Valid()) return LastError();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(in.Get(), &info)) return LastError();

  if (Win32Error error = CheckTarget(Widen(target), failIfExists)) return error;
  PendingFile pending;
  if (Win32Error error = pending.Create(target)) return error;
  if (Win32Error error = CopyBytes(in.Get(), pending)) return error;
  if (!::SetFileTime(pending.Handle(), nullptr, nullptr, &info.ftLastWriteTime)) return LastError();
  return pending.Commit((info.dwFileAttributes & kCarriedAttributes) | FILE_ATTRIBUTE_ARCHIVE);
}

Win32Error CopyFileFrom(FileStream& source, std::string_view target, CopyCheck* check) {
  if (!source.IsOpen()) return kErrorInvalidHandle;
  if (Win32Error error = CheckTarget(Widen(target), false)) return error;
  if (Win32Error error = source.Seek(0)) return error;

  PendingFile pending;
  if (Win32Error error = pending.Create(target)) return error;
  std::vector<uint8_t> buffer(kCopyBlock);
  for (;;) {
    auto got = source.Read(buffer);
    if (!got) return got.error();
    if (*got == 0) break;
    std::span<const uint8_t> bytes(buffer.data(), *got);
    if (check != nullptr) check->Update(bytes);
    if (Win32Error error = pending.Write(bytes)) return error;
  }
  // The decision comes before anything touches the target: a refused copy
  // leaves only the pending file, which goes with it.
  if (check != nullptr && !check->Accept()) return kErrorInvalidData;
  return pending.Commit();
}

Win32Error DeleteFileAt(std::string_view path) {
  return ::DeleteFileW(Widen(path).c_str()) ? kErrorSuccess : LastError();
}

}  // namespace platform::fs
