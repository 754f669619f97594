#include "transfer/FileSink.h"

#include <cstdio>
#include <random>

#include "platform/core/Win32Error.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/Path.h"

namespace {

constexpr size_t kWriteBuffer = 64 * 1024;
constexpr int kTempNameTries = 16;

// The folder part of a Windows path, without its trailing separator; empty
// for a bare name.
std::string ParentOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string NameOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Removes a file at the path, never a folder.
void RemoveIfFile(const std::string& path) {
  if (!path.empty() && !platform::fs::DirectoryExists(path)) platform::fs::RemoveFile(path);
}

}  // namespace

CFileSink::CFileSink(std::string windowsPath) : m_strPath(std::move(windowsPath)) {}

CFileSink::~CFileSink() { RemoveTemporary(); }

void CFileSink::RemoveTemporary() {
  m_file.Close();
  if (!m_strTempPath.empty()) {
    RemoveIfFile(m_strTempPath);
    m_strTempPath.clear();
  }
}

bool CFileSink::Open(std::string& errorText) {
  std::string folder = ParentOf(m_strPath);
  if (platform::NormalizeWindowsPath(m_strPath).empty() || (!folder.empty() && !platform::fs::DirectoryExists(folder + "\\"))) {
    errorText = platform::SystemMessage(platform::kErrorPathNotFound);
    return false;
  }
  if (platform::fs::DirectoryExists(m_strPath)) {
    errorText = platform::SystemMessage(platform::kErrorAccessDenied);
    return false;
  }
  // A hidden name beside the target: the same folder keeps the final rename
  // on one volume, so it is atomic.
  std::random_device random;
  platform::Win32Error error = platform::kErrorFileExists;
  for (int attempt = 0; attempt < kTempNameTries && error == platform::kErrorFileExists; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    std::string temp = (folder.empty() ? std::string() : folder + "\\") + "." + NameOf(m_strPath) + ".part-" + suffix;
    error = m_file.Open(temp, platform::fs::FileMode::kCreateNew);
    if (error == platform::kErrorSuccess) {
      m_strTempPath = temp;
      m_buffer.clear();
      m_buffer.reserve(kWriteBuffer);
      return true;
    }
  }
  errorText = platform::SystemMessage(error);
  return false;
}

bool CFileSink::Flush(std::string& errorText) {
  if (m_buffer.empty()) return true;
  platform::Win32Error error = m_file.Write(m_buffer);
  m_buffer.clear();
  if (error != platform::kErrorSuccess) {
    errorText = platform::SystemMessage(error);
    return false;
  }
  return true;
}

bool CFileSink::Write(std::span<const uint8_t> bytes, std::string& errorText) {
  if (!m_file.IsOpen()) {
    errorText = platform::SystemMessage(platform::kErrorInvalidHandle);
    return false;
  }
  if (m_buffer.size() + bytes.size() > kWriteBuffer && !Flush(errorText)) return false;
  if (bytes.size() >= kWriteBuffer) {
    platform::Win32Error error = m_file.Write(bytes);
    if (error != platform::kErrorSuccess) errorText = platform::SystemMessage(error);
    return error == platform::kErrorSuccess;
  }
  m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
  return true;
}

bool CFileSink::Commit(std::string& errorText) {
  if (!m_file.IsOpen()) {
    errorText = platform::SystemMessage(platform::kErrorInvalidHandle);
    return false;
  }
  // The last write and the close are where a full disk often shows.
  bool written = Flush(errorText);
  platform::Win32Error closed = m_file.Close();
  if (written && closed != platform::kErrorSuccess) {
    errorText = platform::SystemMessage(closed);
    written = false;
  }
  if (written) {
    if (platform::Win32Error moved = platform::fs::ReplaceFileWith(m_strTempPath, m_strPath)) {
      errorText = platform::SystemMessage(moved);
      written = false;
    }
  }
  if (!written) {
    Discard();
    return false;
  }
  m_strTempPath.clear();
  return true;
}

void CFileSink::Discard() {
  RemoveTemporary();
  m_buffer.clear();
  RemoveIfFile(m_strPath);
}
