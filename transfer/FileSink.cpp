#include "transfer/FileSink.h"

#include <cerrno>
#include <filesystem>
#include <random>

#include "platform/core/Win32Error.h"
#include "platform/fs/Path.h"

namespace {

constexpr size_t kWriteBuffer = 64 * 1024;
constexpr int kTempNameTries = 16;

std::string ErrnoText(int err) { return platform::SystemMessage(platform::Win32ErrorFromErrno(err)); }

// Removes a file or a link at the path, never a folder.
void RemoveFile(const std::string& hostPath) {
  std::error_code ec;
  auto status = std::filesystem::symlink_status(hostPath, ec);
  if (ec) return;
  if (std::filesystem::is_regular_file(status) || std::filesystem::is_symlink(status)) {
    std::filesystem::remove(hostPath, ec);
  }
}

}  // namespace

CFileSink::CFileSink(std::string windowsPath) : m_strPath(std::move(windowsPath)) {}

CFileSink::~CFileSink() {
  if (m_file || !m_strTempHostPath.empty()) {
    m_file.reset();
    RemoveFile(m_strTempHostPath);
  }
}

bool CFileSink::Open(std::string& errorText) {
  m_strHostPath = platform::ToHostPath(m_strPath);
  if (m_strHostPath.empty()) {
    errorText = platform::SystemMessage(platform::kErrorPathNotFound);
    return false;
  }
  std::filesystem::path target(m_strHostPath);
  std::error_code ec;
  if (!std::filesystem::is_directory(target.parent_path(), ec)) {
    errorText = platform::SystemMessage(platform::kErrorPathNotFound);
    return false;
  }
  if (std::filesystem::is_directory(target, ec)) {
    errorText = platform::SystemMessage(platform::kErrorAccessDenied);
    return false;
  }
  // A hidden name beside the target: the same folder keeps the final rename
  // on one file system, so it is atomic.
  std::random_device random;
  for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".part-" + suffix)).string();
    errno = 0;
    std::FILE* file = std::fopen(temp.c_str(), "wbx");
    if (file != nullptr) {
      m_file.reset(file);
      m_strTempHostPath = temp;
      m_buffer.reset(new char[kWriteBuffer]);
      std::setvbuf(file, m_buffer.get(), _IOFBF, kWriteBuffer);
      return true;
    }
    if (errno != EEXIST) break;
  }
  errorText = ErrnoText(errno);
  return false;
}

bool CFileSink::Write(std::span<const uint8_t> bytes, std::string& errorText) {
  if (!m_file) {
    errorText = platform::SystemMessage(platform::kErrorInvalidHandle);
    return false;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size()) {
    errorText = ErrnoText(errno);
    return false;
  }
  return true;
}

bool CFileSink::Commit(std::string& errorText) {
  if (!m_file) {
    errorText = platform::SystemMessage(platform::kErrorInvalidHandle);
    return false;
  }
  // fclose flushes; a full disk often shows only here.
  int closed = std::fclose(m_file.release());
  if (closed != 0) {
    errorText = ErrnoText(errno);
    Discard();
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(m_strTempHostPath, m_strHostPath, ec);
  if (ec) {
    errorText = ErrnoText(ec.value());
    Discard();
    return false;
  }
  m_strTempHostPath.clear();
  return true;
}

void CFileSink::Discard() {
  m_file.reset();
  if (!m_strTempHostPath.empty()) {
    RemoveFile(m_strTempHostPath);
    m_strTempHostPath.clear();
  }
  if (m_strHostPath.empty()) m_strHostPath = platform::ToHostPath(m_strPath);
  if (!m_strHostPath.empty()) RemoveFile(m_strHostPath);
}
