#include "platform/fs/HeldImageFile_win32.h"

#include <algorithm>

namespace platform::fs {

HeldImageFile::~HeldImageFile() {
  m_reader.Reset();
  if (!m_path.empty()) ::DeleteFileW(m_path.c_str());
}

Win32Error HeldImageFile::Write(std::span<const uint8_t> image) {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return length == 0 ? LastError() : kErrorFilenameExcedRange;
  if (::GetTempFileNameW(folder, m_prefix, 0, name) == 0) return LastError();
  m_path = name;
  ScopedHandle writer(
      ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!writer.Valid()) return LastError();
  for (size_t done = 0; done < image.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(image.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(writer.Get(), image.data() + done, chunk, &written, nullptr)) return LastError();
    done += written;
  }
  writer.Reset();
  m_reader.Reset(
      ::CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  return m_reader.Valid() ? kErrorSuccess : LastError();
}

}  // namespace platform::fs
