#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// A minimal reader of DER tag-length-value items, enough to walk the few
// Authenticode structures OpenSSL has no type for. It accepts only definite
// lengths (DER never uses the indefinite form) and never reads past the
// bytes it was given.
namespace platform::trust {

struct DerItem {
  uint8_t tag = 0;                    // the identifier octet (low tag numbers only)
  std::span<const uint8_t> contents;  // the value octets
  size_t totalSize = 0;               // identifier + length + contents
};

// The item at the start of `bytes`; nothing when it is truncated, uses a
// high tag number or an indefinite or overlong length.
inline std::optional<DerItem> ReadDer(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2) return std::nullopt;
  DerItem item;
  item.tag = bytes[0];
  if ((item.tag & 0x1F) == 0x1F) return std::nullopt;
  size_t header = 2;
  size_t length = bytes[1];
  if (length & 0x80) {
    const size_t count = length & 0x7F;
    // Zero would be the indefinite form; more than four bytes describes
    // more data than any file we check can hold.
    if (count == 0 || count > 4 || bytes.size() < 2 + count) return std::nullopt;
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | bytes[2 + i];
    header += count;
  }
  if (length > bytes.size() - header) return std::nullopt;
  item.contents = bytes.subspan(header, length);
  item.totalSize = header + length;
  return item;
}

// Walks the items inside a constructed item one after the other.
class DerSequence {
 public:
  explicit DerSequence(std::span<const uint8_t> contents) : m_rest(contents) {}
  std::optional<DerItem> Next() {
    std::optional<DerItem> item = ReadDer(m_rest);
    if (item) m_rest = m_rest.subspan(item->totalSize);
    return item;
  }
  bool AtEnd() const { return m_rest.empty(); }

 private:
  std::span<const uint8_t> m_rest;
};

inline constexpr uint8_t kDerSequence = 0x30;
inline constexpr uint8_t kDerOid = 0x06;
inline constexpr uint8_t kDerOctetString = 0x04;

}  // namespace platform::trust
