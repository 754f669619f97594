#include "system/ArchiveInput.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace {

// A run of reads that carries on where the last one ended (a member's data)
// gets a whole window per read of the file.
constexpr size_t kWindowBytes = 512 * 1024;
// A read elsewhere is mostly a header of a few dozen bytes: a whole window
// there would be read for nothing when the next read jumps again.
constexpr size_t kJumpBytes = 16 * 1024;

}  // namespace

bool CArchiveInput::Open(std::string_view path) {
  Close();
  if (m_file.Open(path, platform::fs::FileMode::kRead) != platform::kErrorSuccess) return false;
  m_window.resize(kWindowBytes);
  return true;
}

void CArchiveInput::Close() {
  m_file.Close();
  std::vector<uint8_t>().swap(m_window);
  m_nFilePosition = 0;
  m_nWindowStart = 0;
  m_nWindowLength = 0;
  m_nPosition = 0;
  m_bFailed = false;
}

std::optional<uint64_t> CArchiveInput::Size() const {
  auto size = m_file.Size();
  if (!size) return std::nullopt;
  return *size;
}

std::optional<size_t> CArchiveInput::ReadFile(uint64_t position, uint8_t* buffer, size_t size) {
  if (position != m_nFilePosition) {
    if (m_file.Seek(position) != platform::kErrorSuccess) {
      m_bFailed = true;
      return std::nullopt;
    }
    m_nFilePosition = position;
  }
  auto got = m_file.Read(std::span<uint8_t>(buffer, size));
  if (!got) {
    m_bFailed = true;
    return std::nullopt;
  }
  m_nFilePosition += *got;
  return *got;
}

bool CArchiveInput::LoadWindow(size_t least) {
  bool carriesOn = m_nWindowLength > 0 && m_nPosition == m_nWindowStart + m_nWindowLength;
  size_t want = std::min(std::max(least, carriesOn ? m_window.size() : kJumpBytes), m_window.size());
  m_nWindowLength = 0;
  auto got = ReadFile(m_nPosition, m_window.data(), want);
  if (!got) return false;
  m_nWindowStart = m_nPosition;
  m_nWindowLength = *got;
  return true;
}

std::optional<size_t> CArchiveInput::Read(uint8_t* buffer, size_t size) {
  if (!m_file.IsOpen()) return std::nullopt;
  size_t done = 0;
  while (done < size) {
    if (m_nPosition >= m_nWindowStart && m_nPosition - m_nWindowStart < m_nWindowLength) {
      size_t offset = static_cast<size_t>(m_nPosition - m_nWindowStart);
      size_t n = std::min(size - done, m_nWindowLength - offset);
      std::memcpy(buffer + done, m_window.data() + offset, n);
      done += n;
      m_nPosition += n;
      continue;
    }
    size_t left = size - done;
    if (left >= m_window.size()) {
      // Too large for the window: straight into the caller's buffer.
      auto got = ReadFile(m_nPosition, buffer + done, left);
      if (!got) return std::nullopt;
      if (*got == 0) break;
      done += *got;
      m_nPosition += *got;
      continue;
    }
    if (!LoadWindow(left)) return std::nullopt;
    if (m_nWindowLength == 0) break;  // the end of the file
  }
  return done;
}
