#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <vector>

#include "platform/core/Win32Error.h"

// Headers of a PE32 or PE32+ image read from its bytes. The parser trusts
// nothing in the file: every offset and count is checked against the buffer
// and against the format's own limits before it is used.
namespace platform::pe {

struct DataDirectory {
  uint32_t virtualAddress = 0;  // for the certificate table: a file offset
  uint32_t size = 0;
};

struct SectionHeader {
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t sizeOfRawData = 0;
  uint32_t pointerToRawData = 0;
};

inline constexpr uint32_t kDirectoryResource = 2;
inline constexpr uint32_t kDirectorySecurity = 4;

struct PeImage {
  bool is64 = false;           // PE32+ (optional header magic 0x20b)
  uint32_t sizeOfHeaders = 0;
  uint32_t checksumOffset = 0;  // file offset of the optional header's CheckSum
  // File offset of the certificate-table entry in the data directory, 0 when
  // the directory is too short to have one.
  uint32_t securityEntryOffset = 0;
  DataDirectory resource;
  DataDirectory security;
  std::vector<SectionHeader> sections;
};

// Parses the DOS stub, the PE signature, the file header, the optional header,
// the data directory and the section table. Fails with kErrorBadExeFormat for
// anything that is not a well-formed PE32/PE32+ header set; the buffer is only
// read.
std::expected<PeImage, Win32Error> ParsePeImage(std::span<const uint8_t> file);

// File offset of [rva, rva + size) when the whole range lies in one section's
// raw data (or in the headers) and inside the file; nothing otherwise.
std::optional<uint32_t> RvaToFileOffset(const PeImage& image, uint32_t rva, uint32_t size,
                                        size_t fileSize);

}  // namespace platform::pe
