#include "platform/pe/PeImage.h"

#include "platform/pe/ByteView.h"

namespace platform::pe {

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kSectionHeaderSize = 40;
// The Windows loader refuses more sections than this; so do we, which also
// bounds the section loop.
constexpr uint16_t kMaxSections = 96;
constexpr uint32_t kMaxDirectories = 16;

}  // namespace

std::expected<PeImage, Win32Error> ParsePeImage(std::span<const uint8_t> file) {
  const ByteView view(file);
  const auto unexpectedFormat = std::unexpected(kErrorBadExeFormat);

  if (view.U16(0) != kDosMagic) return unexpectedFormat;
  const std::optional<uint32_t> peOffset = view.U32(0x3C);
  if (!peOffset || view.U32(*peOffset) != kPeSignature) return unexpectedFormat;

  const uint64_t fileHeader = static_cast<uint64_t>(*peOffset) + 4;
  const std::optional<uint16_t> sectionCount = view.U16(fileHeader + 2);
  const std::optional<uint16_t> optionalSize = view.U16(fileHeader + 16);
  if (!sectionCount || !optionalSize || *sectionCount > kMaxSections) return unexpectedFormat;

  const uint64_t optional = fileHeader + kFileHeaderSize;
  if (!view.Contains(optional, *optionalSize)) return unexpectedFormat;
  const std::optional<uint16_t> magic = view.U16(optional);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return unexpectedFormat;

  PeImage image;
  image.is64 = magic == kMagicPe32Plus;
  const uint32_t countField = image.is64 ? 108 : 92;
  const uint32_t directoryStart = image.is64 ? 112 : 96;
  if (*optionalSize < directoryStart) return unexpectedFormat;

  image.sizeOfHeaders = *view.U32(optional + 60);
  image.checksumOffset = static_cast<uint32_t>(optional + 64);

  // The directory count is what the header says, but never more than the
  // optional header has room for, nor more than the format defines.
  uint32_t directoryCount = *view.U32(optional + countField);
  const uint32_t room = (*optionalSize - directoryStart) / 8;
  if (directoryCount > room) directoryCount = room;
  if (directoryCount > kMaxDirectories) directoryCount = kMaxDirectories;

  const auto readDirectory = [&](uint32_t index) {
    DataDirectory entry;
    if (index < directoryCount) {
      const uint64_t at = optional + directoryStart + 8ULL * index;
      entry.virtualAddress = *view.U32(at);
      entry.size = *view.U32(at + 4);
    }
    return entry;
  };
  image.resource = readDirectory(kDirectoryResource);
  image.security = readDirectory(kDirectorySecurity);
  if (kDirectorySecurity < directoryCount) {
    image.securityEntryOffset = static_cast<uint32_t>(optional + directoryStart + 8ULL * kDirectorySecurity);
  }

  const uint64_t sectionTable = optional + *optionalSize;
  if (!view.Contains(sectionTable, static_cast<uint64_t>(*sectionCount) * kSectionHeaderSize)) {
    return unexpectedFormat;
  }
  image.sections.reserve(*sectionCount);
  for (uint32_t i = 0; i < *sectionCount; ++i) {
    const uint64_t at = sectionTable + static_cast<uint64_t>(i) * kSectionHeaderSize;
    SectionHeader section;
    section.virtualSize = *view.U32(at + 8);
    section.virtualAddress = *view.U32(at + 12);
    section.sizeOfRawData = *view.U32(at + 16);
    section.pointerToRawData = *view.U32(at + 20);
    image.sections.push_back(section);
  }
  return image;
}

std::optional<uint32_t> RvaToFileOffset(const PeImage& image, uint32_t rva, uint32_t size,
                                        size_t fileSize) {
  const auto inFile = [&](uint64_t offset) -> std::optional<uint32_t> {
    if (offset > fileSize || size > fileSize - offset) return std::nullopt;
    return static_cast<uint32_t>(offset);
  };
  for (const SectionHeader& section : image.sections) {
    if (rva < section.virtualAddress) continue;
    const uint64_t delta = static_cast<uint64_t>(rva) - section.virtualAddress;
    // Only bytes that exist in the file can be read; the part of a section
    // beyond its raw data is zero-filled memory, not file content.
    if (delta >= section.sizeOfRawData || size > section.sizeOfRawData - delta) continue;
    return inFile(static_cast<uint64_t>(section.pointerToRawData) + delta);
  }
  if (static_cast<uint64_t>(rva) + size <= image.sizeOfHeaders) return inFile(rva);
  return std::nullopt;
}

}  // namespace platform::pe
