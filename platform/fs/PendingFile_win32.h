#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/Wide_win32.h"
#include "platform/core/Win32Error.h"

// The Windows side of an atomic replace: a new file is written under a
// hidden name in the target's folder, flushed, and only then moved over the
// target in one step (MoveFileExW, write-through). Until Commit succeeds the
// target is untouched; a pending file that is not committed is removed.
namespace platform::fs {

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the file beside `target` (kErrorPathNotFound when the folder is
  // missing).
  Win32Error Create(std::string_view target);
  Win32Error Write(std::span<const uint8_t> bytes);
  HANDLE Handle() const { return m_handle.Get(); }
  // Flushes and closes the file, gives it `attributes` (0: leave them) and
  // moves it over the target.
  Win32Error Commit(DWORD attributes = 0);

 private:
  void Discard();

  std::wstring m_strTarget;
  std::wstring m_strName;
  ScopedHandle m_handle;
};

// The folder part of a Windows path, without its last separator; empty for
// a bare name.
std::string ParentOfPath(std::string_view path);

}  // namespace platform::fs
