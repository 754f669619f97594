#include "platform/trust/SubjectSource.h"

#include <algorithm>
#include <utility>

namespace platform::trust {

namespace {

bool FitsIn(uint64_t size, uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; }

}  // namespace

MemorySubject::MemorySubject(std::span<const uint8_t> file) : m_file(file) { m_size = file.size(); }

std::optional<std::span<const uint8_t>> MemorySubject::Bytes(uint64_t offset, uint64_t length) {
  if (!FitsIn(m_size, offset, length)) return std::nullopt;
  return m_file.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
}

void MemorySubject::BeginRanges(std::vector<ByteRange> ranges) {
  m_ranges = std::move(ranges);
  m_nextRange = 0;
}

std::span<const uint8_t> MemorySubject::NextPiece() {
  while (m_nextRange < m_ranges.size()) {
    const ByteRange range = m_ranges[m_nextRange++];
    if (!FitsIn(m_size, range.offset, range.length)) {
      m_error = kErrorInvalidData;
      return {};
    }
    if (range.length != 0) return m_file.subspan(static_cast<size_t>(range.offset), static_cast<size_t>(range.length));
  }
  return {};
}

Win32Error FileSubject::Open(std::string_view windowsPath) {
  if (const Win32Error error = m_stream.Open(windowsPath, fs::FileMode::kReadFile)) return error;
  const std::expected<uint64_t, Win32Error> size = m_stream.Size();
  if (!size) return size.error();
  m_size = *size;
  m_position = 0;
  return kErrorSuccess;
}

bool FileSubject::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  if (m_error != kErrorSuccess) return false;
  if (offset != m_position) {
    if (const Win32Error error = m_stream.Seek(offset)) {
      m_error = error;
      return false;
    }
    m_position = offset;
  }
  size_t done = 0;
  while (done < buffer.size()) {
    const std::expected<size_t, Win32Error> got = m_stream.Read(buffer.subspan(done));
    if (!got) {
      m_error = got.error();
      return false;
    }
    if (*got == 0) {
      // Cut short since it was measured.
      m_error = kErrorInvalidData;
      return false;
    }
    done += *got;
    m_position += *got;
  }
  return true;
}

std::optional<std::span<const uint8_t>> FileSubject::Bytes(uint64_t offset, uint64_t length) {
  if (!FitsIn(m_size, offset, length)) return std::nullopt;
  std::vector<uint8_t>& piece = m_pieces.emplace_back(static_cast<size_t>(length));
  if (!ReadAt(offset, piece)) return std::nullopt;
  return std::span<const uint8_t>(piece);
}

void FileSubject::BeginRanges(std::vector<ByteRange> ranges) {
  m_ranges = std::move(ranges);
  m_nextRange = 0;
  m_at = m_ranges.empty() ? 0 : m_ranges.front().offset;
  m_chunkOffset = 0;
  m_chunkLength = 0;
}

// Reads the next chunk from `offset`, but no further than `end` (the last
// range's end: what follows is the signature, already read, or nothing).
bool FileSubject::FillChunk(uint64_t offset, uint64_t end) {
  if (m_chunk.empty()) m_chunk.resize(kChunkSize);
  const size_t length = static_cast<size_t>(std::min<uint64_t>(kChunkSize, end - offset));
  m_chunkOffset = offset;
  m_chunkLength = 0;
  if (!ReadAt(offset, std::span<uint8_t>(m_chunk).first(length))) return false;
  m_chunkLength = length;
  return true;
}

// The file must still end where it ended when it was measured: grown, it
// would have bytes that neither the digest nor the signature covers; cut
// short after its digested bytes, it is no longer the file that was checked.
void FileSubject::CheckSizeUnchanged() {
  if (m_error != kErrorSuccess) return;
  const uint64_t from = m_size == 0 ? 0 : m_size - 1;
  if (const Win32Error error = m_stream.Seek(from)) {
    m_error = error;
    return;
  }
  m_position = from;
  uint8_t probe[2];
  size_t got = 0;
  while (got < sizeof probe) {
    const std::expected<size_t, Win32Error> read = m_stream.Read(std::span<uint8_t>(probe).subspan(got));
    if (!read) {
      m_error = read.error();
      return;
    }
    if (*read == 0) break;
    got += *read;
    m_position += *read;
  }
  if (got != m_size - from) m_error = kErrorInvalidData;
}

std::span<const uint8_t> FileSubject::NextPiece() {
  while (m_error == kErrorSuccess && m_nextRange < m_ranges.size()) {
    const ByteRange& range = m_ranges[m_nextRange];
    if (!FitsIn(m_size, range.offset, range.length)) {
      m_error = kErrorInvalidData;
      break;
    }
    if (m_at >= range.End()) {
      if (++m_nextRange < m_ranges.size()) m_at = m_ranges[m_nextRange].offset;
      if (m_nextRange == m_ranges.size()) CheckSizeUnchanged();
      continue;
    }
    if (m_at < m_chunkOffset || m_at >= m_chunkOffset + m_chunkLength) {
      // Through the gaps between ranges (a few header bytes), up to the
      // last range's end; std::max keeps the bound sane for ranges out of
      // order.
      if (!FillChunk(m_at, std::max(range.End(), m_ranges.back().End()))) break;
    }
    const size_t from = static_cast<size_t>(m_at - m_chunkOffset);
    const size_t length = static_cast<size_t>(std::min<uint64_t>(m_chunkLength - from, range.End() - m_at));
    m_at += length;
    return std::span<const uint8_t>(m_chunk).subspan(from, length);
  }
  return {};
}

}  // namespace platform::trust
