#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Bounds-checked little-endian reads over bytes that may come from a hostile
// file. Every read states where it wants to look; a read that would leave the
// buffer gives nothing instead of touching memory outside it.
namespace platform::pe {

class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

  size_t Size() const { return m_bytes.size(); }
  std::span<const uint8_t> Bytes() const { return m_bytes; }

  // True when [offset, offset + length) lies inside the buffer; safe against
  // overflow of offset + length.
  bool Contains(uint64_t offset, uint64_t length) const {
    return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
  }

  std::optional<uint8_t> U8(uint64_t offset) const {
    if (!Contains(offset, 1)) return std::nullopt;
    return m_bytes[offset];
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Contains(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Contains(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(m_bytes[offset]) | (static_cast<uint32_t>(m_bytes[offset + 1]) << 8) |
           (static_cast<uint32_t>(m_bytes[offset + 2]) << 16) |
           (static_cast<uint32_t>(m_bytes[offset + 3]) << 24);
  }
  // The sub-range, or nothing when it does not fit.
  std::optional<std::span<const uint8_t>> Slice(uint64_t offset, uint64_t length) const {
    if (!Contains(offset, length)) return std::nullopt;
    return m_bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }

 private:
  std::span<const uint8_t> m_bytes;
};

}  // namespace platform::pe
