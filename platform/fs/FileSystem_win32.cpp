#include "platform/fs/FileSystem.h"

#include <windows.h>
#include <io.h>

#include "platform/core/Wide_win32.h"
#include "platform/fs/PendingFile_win32.h"

namespace platform::fs {

namespace {

DWORD AttributesOf(std::string_view path) { return ::GetFileAttributesW(Widen(path).c_str()); }

// Where the folders of a path begin: after "C:\", "\\server\share\" or
// "\\?\C:\"; those roots are never created.
size_t RootLength(std::string_view path) {
  auto separator = [&](size_t i) { return i < path.size() && (path[i] == '\\' || path[i] == '/'); };
  size_t start = 0;
  if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) start = 4;
  if (path.size() >= start + 2 && path[start + 1] == ':') return start + 2 + (separator(start + 2) ? 1 : 0);
  if (start == 0 && separator(0) && separator(1)) {
    // \\server\share\: two names after the leading pair.
    size_t pos = 2;
    for (int names = 0; names < 2 && pos < path.size(); ++names) {
      while (pos < path.size() && !separator(pos)) ++pos;
      if (pos < path.size()) ++pos;
    }
    return pos;
  }
  return separator(start) ? start + 1 : start;
}

}  // namespace

bool FileExists(std::string_view path) {
  DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(std::string_view path) {
  DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CanReadWrite(std::string_view path) { return ::_waccess(Widen(path).c_str(), 6) == 0; }

Win32Error MakeDirectory(std::string_view path) {
  return ::CreateDirectoryW(Widen(path).c_str(), nullptr) ? kErrorSuccess : LastError();
}

Win32Error CreateDirectoryPath(std::string_view path) {
  if (DirectoryExists(path)) return kErrorSuccess;
  Win32Error last = kErrorPathNotFound;
  for (size_t pos = RootLength(path); pos <= path.size(); ++pos) {
    if (pos < path.size() && path[pos] != '\\' && path[pos] != '/') continue;
    std::string_view level = path.substr(0, pos);
    if (!level.empty() && level.back() != '\\' && level.back() != '/') {
      Win32Error error = MakeDirectory(level);
      if (error != kErrorAlreadyExists) last = error;
    }
  }
  if (DirectoryExists(path)) return kErrorSuccess;
  // A file where the last folder should be is taken; anything else failed
  // on the way.
  if (FileExists(path)) return kErrorAlreadyExists;
  return last != kErrorSuccess ? last : kErrorPathNotFound;
}

std::expected<std::vector<uint8_t>, Win32Error> ReadFileBytes(std::string_view path) {
  ScopedHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) return std::unexpected(LastError());
  // Only a file on a disk: a pipe could wait for ever, a device be endless.
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return std::unexpected(kErrorAccessDenied);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return std::unexpected(LastError());
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  uint8_t buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) return std::unexpected(LastError());
    if (got == 0) return bytes;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
}

Win32Error WriteFileAtomic(std::string_view path, std::span<const uint8_t> bytes) {
  PendingFile pending;
  if (Win32Error error = pending.Create(path)) return error;
  if (Win32Error error = pending.Write(bytes)) return error;
  return pending.Commit();
}

Win32Error WriteFileAtomic(std::string_view path, std::string_view bytes) {
  return WriteFileAtomic(path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace platform::fs
