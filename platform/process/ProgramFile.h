#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/NativeHandle.h"
#include "platform/core/Win32Error.h"
#include "platform/process/Process.h"

// A program file opened once, so that the bytes a caller checks are the bytes
// that run: between Open and the start of the process by Execute, nobody can
// put another program in the file's place. A file renamed over the path after
// Open is never started.
namespace platform {

// True where Open holds the path itself: until Close, nobody may write,
// rename or delete the file (Windows refuses them with
// kErrorSharingViolation), so Execute can start it by its path. Where false,
// the path stays free and Execute starts the file that was opened, whatever
// the path names by then.
#ifdef _WIN32
inline constexpr bool kProgramFileHoldsPath = true;
#else
inline constexpr bool kProgramFileHoldsPath = false;
#endif

class ProgramFile {
 public:
  ProgramFile() = default;
  ~ProgramFile();
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // Opens the file named by a Windows path for reading, sharing it with
  // readers only, and reads it whole. Failures as ShellExecuteProgram gives
  // them: kErrorFileNotFound, kErrorPathNotFound, kErrorAccessDenied,
  // kErrorSharingViolation while someone writes it, kErrorNoAssociation for
  // a folder or anything else that is no regular file. On failure the object
  // stays closed.
  Win32Error Open(std::string_view windowsPath);
  bool IsOpen() const { return m_hFile != kNoNativeHandle; }

  // The whole file as it was when opened (an empty span for an empty file or
  // a closed object).
  std::span<const uint8_t> Image() const { return m_image; }
  // Lets go of the copy once it has been looked at; the file stays open.
  void ReleaseImage();

  // ShellExecuteProgram of the open file with the Windows argument text,
  // with the same failures; the file stays open until the process has
  // started. kErrorInvalidHandle when the object is closed.
  std::expected<ProcessHandle, Win32Error> Execute(std::string_view parameters) const;

  void Close();

 private:
  NativeHandle m_hFile = kNoNativeHandle;
  std::string m_strPath;  // the Windows path given to Open
  // A copy, not a mapping: a file cut short by someone else while we look
  // at it must not take the process down.
  std::vector<uint8_t> m_image;
};

}  // namespace platform
