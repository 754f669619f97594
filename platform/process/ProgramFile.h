#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/process/Process.h"

// A program file opened once, so that the bytes a caller checks are the bytes
// that run: Execute starts the very file this object holds open, not whatever
// its path names by then. A file renamed over the path after Open is never
// started. (Changing the open file in place needs write permission on it.)
namespace platform {

class ProgramFile {
 public:
  ProgramFile() = default;
  ~ProgramFile();
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // Opens the file named by a Windows path and reads it whole. Failures as
  // ShellExecute gives them: kErrorFileNotFound, kErrorPathNotFound,
  // kErrorAccessDenied, kErrorNoAssociation for a folder or anything else
  // that is no regular file. On failure the object stays closed.
  Win32Error Open(std::string_view windowsPath);
  bool IsOpen() const { return m_fd >= 0; }

  // The whole file as it was when opened (an empty span for an empty file or
  // a closed object).
  std::span<const uint8_t> Image() const { return m_image; }
  // Lets go of the copy once it has been looked at; the file stays open.
  void ReleaseImage();

  // ShellExecute of the open file with the Windows argument text, with the
  // same failures. kErrorInvalidHandle when the object is closed.
  std::expected<ProcessHandle, Win32Error> Execute(std::string_view parameters) const;

  void Close();

 private:
  int m_fd = -1;
  std::string m_strHostPath;
  // A copy, not a mapping: a file cut short by someone else while we look
  // at it must not take the process down.
  std::vector<uint8_t> m_image;
};

}  // namespace platform
