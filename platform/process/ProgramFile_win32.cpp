#include "platform/process/ProgramFile.h"

#include <windows.h>

#include "platform/core/Wide_win32.h"

// The file is held open for reading and shared with readers only: while we
// hold it, Windows refuses anyone who would write, rename or delete it, so the
// path still names the bytes that were checked when Execute starts it. The
// loader's own open (read and execute, sharing read and delete) is a reader
// and is let through.
namespace platform {

namespace {

// A folder or a device is no program, as ShellExecute of a file would find.
bool IsRegularFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Win32Error ReadWhole(HANDLE file, std::vector<uint8_t>& image) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return LastError();
  image.reserve(static_cast<size_t>(size.QuadPart));
  uint8_t block[64 * 1024];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file, block, sizeof block, &read, nullptr)) return LastError();
    if (read == 0) return kErrorSuccess;
    image.insert(image.end(), block, block + read);
  }
}

}  // namespace

void ProgramFile::Close() {
  ReleaseImage();
  if (m_hFile != kNoNativeHandle) ::CloseHandle(m_hFile);
  m_hFile = kNoNativeHandle;
  m_strPath.clear();
}

// FILE_FLAG_BACKUP_SEMANTICS lets a folder open too, so that it is told apart
// from a file we may not read.
Win32Error ProgramFile::Open(std::string_view windowsPath) {
  Close();
  if (windowsPath.empty()) return kErrorFileNotFound;
  ScopedHandle file(::CreateFileW(Widen(windowsPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) return LastError();
  if (!IsRegularFile(file.Get())) return kErrorNoAssociation;
  std::vector<uint8_t> image;
  if (Win32Error err = ReadWhole(file.Get(), image); err != kErrorSuccess) return err;
  m_image = std::move(image);
  m_hFile = file.Release();
  m_strPath = windowsPath;
  return kErrorSuccess;
}

// The handle stays with this object, so the file is held until the process
// has started and beyond, until Close.
std::expected<ProcessHandle, Win32Error> ProgramFile::Execute(std::string_view parameters) const {
  if (m_hFile == kNoNativeHandle) return std::unexpected(kErrorInvalidHandle);
  return ShellExecuteProgram(m_strPath, parameters);
}

}  // namespace platform
