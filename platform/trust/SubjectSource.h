#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/core/Win32Error.h"
#include "platform/fs/FileStream.h"

// The bytes of the file whose signature is checked (WinVerifyTrust's
// "subject"), as the check reads them: a few pieces anywhere while the
// layout is found (headers, the signature at the end), then the digested
// ranges front to back, once. The same check runs over bytes a caller holds
// and over a file read in one pass, without holding it whole.
namespace platform::trust {

struct ByteRange {
  uint64_t offset = 0;
  uint64_t length = 0;
  uint64_t End() const { return offset + length; }
};

class SubjectSource {
 public:
  virtual ~SubjectSource() = default;

  uint64_t Size() const { return m_size; }

  // The bytes [offset, offset + length); they stay valid as long as the
  // source. Nothing when they do not all lie in the file.
  virtual std::optional<std::span<const uint8_t>> Bytes(uint64_t offset, uint64_t length) = 0;

  // Starts handing out the bytes of `ranges` (ascending, not overlapping)
  // in file order; NextPiece gives them piece by piece, each valid until the
  // next call, and an empty piece at the end or on failure.
  virtual void BeginRanges(std::vector<ByteRange> ranges) = 0;
  virtual std::span<const uint8_t> NextPiece() = 0;

  // kErrorSuccess while the file reads as it was when the check began; the
  // read error, or kErrorInvalidData for a file cut short or grown since.
  Win32Error Error() const { return m_error; }

 protected:
  uint64_t m_size = 0;
  Win32Error m_error = kErrorSuccess;
};

// Bytes a caller holds in memory: pieces are the ranges themselves.
class MemorySubject : public SubjectSource {
 public:
  explicit MemorySubject(std::span<const uint8_t> file);

  std::optional<std::span<const uint8_t>> Bytes(uint64_t offset, uint64_t length) override;
  void BeginRanges(std::vector<ByteRange> ranges) override;
  std::span<const uint8_t> NextPiece() override;

 private:
  std::span<const uint8_t> m_file;
  std::vector<ByteRange> m_ranges;
  size_t m_nextRange = 0;
};

// A file named by a Windows path, read through one open handle: the layout's
// pieces are copied as asked for, the ranges are read sequentially in large
// chunks through one buffer. Its size is taken when it is opened; a file cut
// short or grown while it is read fails the source instead of being read
// past its end.
class FileSubject : public SubjectSource {
 public:
  // Sequential reads of this size keep the system calls few and the
  // buffer in the caches' reach.
  static constexpr size_t kChunkSize = 1 << 20;

  // Opens a regular file for reading; FIFOs and devices are refused
  // (kErrorAccessDenied) without waiting on them.
  Win32Error Open(std::string_view windowsPath);

  std::optional<std::span<const uint8_t>> Bytes(uint64_t offset, uint64_t length) override;
  void BeginRanges(std::vector<ByteRange> ranges) override;
  std::span<const uint8_t> NextPiece() override;

 private:
  // Reads exactly buffer.size() bytes at `offset`; false (and m_error set)
  // when the file ends first or cannot be read.
  bool ReadAt(uint64_t offset, std::span<uint8_t> buffer);
  bool FillChunk(uint64_t offset, uint64_t end);
  void CheckSizeUnchanged();

  fs::FileStream m_stream;
  uint64_t m_position = 0;  // the stream's position
  std::list<std::vector<uint8_t>> m_pieces;
  std::vector<ByteRange> m_ranges;
  size_t m_nextRange = 0;
  uint64_t m_at = 0;  // next byte of the current range
  std::vector<uint8_t> m_chunk;
  uint64_t m_chunkOffset = 0;
  size_t m_chunkLength = 0;
};

}  // namespace platform::trust
