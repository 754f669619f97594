#include "platform/fs/PendingFile_win32.h"

#include <algorithm>
#include <random>

namespace platform::fs {

namespace {

std::wstring RandomSuffix() {
  static constexpr wchar_t kChars[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, std::size(kChars) - 2);
  std::wstring suffix;
  for (int i = 0; i < 8; ++i) suffix += kChars[pick(engine)];
  return suffix;
}

std::string_view NameOfPath(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string ParentOfPath(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string_view::npos) return {};
  // "C:\name": the root keeps its separator.
  if (slash == 2 && path[1] == ':') return std::string(path.substr(0, 3));
  return std::string(path.substr(0, slash));
}

PendingFile::~PendingFile() { Discard(); }

Win32Error PendingFile::Create(std::string_view target) {
  m_strTarget = Widen(target);
  std::string folder = ParentOfPath(target);
  std::wstring prefix = folder.empty() ? std::wstring() : Widen(folder);
  if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';
  prefix += L"." + Widen(NameOfPath(target)) + L".vamo-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = prefix + RandomSuffix();
    // Nobody else may open it: it is ours until it takes the target's place.
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      m_handle.Reset(handle);
      m_strName = std::move(name);
      return kErrorSuccess;
    }
    Win32Error error = LastError();
    if (error != kErrorFileExists && error != kErrorAlreadyExists) return error;
  }
  return kErrorFileExists;
}

Win32Error PendingFile::Write(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(m_handle.Get(), bytes.data(), chunk, &written, nullptr)) return LastError();
    if (written == 0) return kErrorWriteFault;
    bytes = bytes.subspan(written);
  }
  return kErrorSuccess;
}

Win32Error PendingFile::Commit(DWORD attributes) {
  // Flushing is where a full disk or a failing network volume shows.
  if (!::FlushFileBuffers(m_handle.Get())) return LastError();
  HANDLE handle = m_handle.Release();
  if (!::CloseHandle(handle)) return LastError();
  if (attributes != 0 && !::SetFileAttributesW(m_strName.c_str(), attributes)) return LastError();
  if (!::MoveFileExW(m_strName.c_str(), m_strTarget.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return LastError();
  }
  m_strName.clear();
  return kErrorSuccess;
}

void PendingFile::Discard() {
  m_handle.Reset();
  if (m_strName.empty()) return;
  // It may have been made read-only for the move that failed.
  ::SetFileAttributesW(m_strName.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(m_strName.c_str());
  m_strName.clear();
}

}  // namespace platform::fs
