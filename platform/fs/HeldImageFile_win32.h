#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/core/Wide_win32.h"
#include "platform/core/Win32Error.h"

// Bytes held in memory as a file of our own in %TEMP%, for the services that
// read only files (SetupAPI's cabinets, WinTrust). While the object lives the
// file is held open for reading with writers and deleters shut out, so what
// the service reads is the image; the file is deleted at the end.
namespace platform::fs {

class HeldImageFile {
 public:
  // `prefix`: up to three characters of the temporary name (GetTempFileNameW).
  explicit HeldImageFile(const wchar_t* prefix) : m_prefix(prefix) {}
  ~HeldImageFile();
  HeldImageFile(const HeldImageFile&) = delete;
  HeldImageFile& operator=(const HeldImageFile&) = delete;

  // Writes the image and holds the file. On failure the error of the step
  // that failed; whatever was made is removed by the destructor.
  Win32Error Write(std::span<const uint8_t> image);

  std::string Path() const { return Narrow(m_path); }

 private:
  const wchar_t* m_prefix;
  std::wstring m_path;
  ScopedHandle m_reader;
};

}  // namespace platform::fs
