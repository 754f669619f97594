#include "platform/trust/AuthenticodeLayout.h"

#include <algorithm>
#include <iterator>

#include "platform/pe/ByteView.h"
#include "platform/pe/PeImage.h"
#include "platform/trust/Der.h"

namespace platform::trust {

using pe::ByteView;

namespace {

constexpr uint16_t kWinCertRevision2 = 0x0200;
constexpr uint16_t kWinCertRevision1 = 0x0100;
constexpr uint16_t kWinCertTypePkcsSignedData = 0x0002;
constexpr uint32_t kWinCertHeaderSize = 8;

constexpr uint32_t kCabReservePresent = 0x0004;
constexpr uint32_t kCabPrevCabinet = 0x0001;
constexpr uint32_t kCabNextCabinet = 0x0002;
// cbCFHeader of a signed cabinet: 20 reserved bytes, no per-folder or
// per-data reserve; the first four hold this marker, the next eight the
// signature offset and size.
constexpr uint32_t kCabSignedReserveSize = 20;
constexpr uint32_t kCabSignedReserveMarker = 0x00100000;
constexpr uint32_t kCabFixedHeaderEnd = 60;
constexpr size_t kMaxCabinetNameLength = 256;
// The first read of every file: enough for the headers of all three formats.
constexpr uint64_t kHeadSize = 64 * 1024;

constexpr uint64_t AlignUp8(uint64_t value) { return (value + 7) & ~uint64_t{7}; }

// The DER signature at the start of `area`; the rest may only be zero padding
// shorter than eight bytes.
bool SplitSignature(std::span<const uint8_t> area, std::span<const uint8_t>& signature) {
  const std::optional<DerItem> der = ReadDer(area);
  if (!der || der->tag != kDerSequence) return false;
  const std::span<const uint8_t> trailing = area.subspan(der->totalSize);
  if (trailing.size() >= 8) return false;
  for (uint8_t byte : trailing) {
    if (byte != 0) return false;
  }
  signature = area.first(der->totalSize);
  return true;
}

// What the layout needs of a PE image: its headers, which lie in the first
// kHeadSize bytes unless the DOS header points the PE header further out.
std::optional<pe::PeImage> ReadPeHeaders(SubjectSource& source, std::span<const uint8_t> head) {
  if (std::expected<pe::PeImage, Win32Error> image = pe::ParsePeImage(head)) return std::move(*image);
  const ByteView view(head);
  const std::optional<uint32_t> peOffset = view.U32(0x3C);
  if (head.size() == source.Size() || view.U16(0) != 0x5A4Du || !peOffset) return std::nullopt;
  const std::optional<std::span<const uint8_t>> signature = source.Bytes(*peOffset, 4);
  if (!signature || ByteView(*signature).U32(0) != 0x00004550u) return std::nullopt;
  // PE signature, file header, the largest optional header and section
  // table the parser accepts.
  const uint64_t extent = uint64_t{*peOffset} + 4 + 20 + 0xFFFF + 96 * 40;
  const std::optional<std::span<const uint8_t>> headers =
      source.Bytes(0, std::min<uint64_t>(extent, source.Size()));
  if (!headers) return std::nullopt;
  std::expected<pe::PeImage, Win32Error> image = pe::ParsePeImage(*headers);
  if (!image) return std::nullopt;
  return std::move(*image);
}

SubjectLayout PeLayout(SubjectSource& source, const pe::PeImage& image) {
  SubjectLayout layout;
  layout.form = SubjectForm::kPe;
  layout.dataTypeOid = kSpcPeImageDataOid;
  if (image.securityEntryOffset == 0 || image.security.virtualAddress == 0 || image.security.size == 0) {
    return layout;
  }
  layout.status = LayoutStatus::kMalformed;
  const uint64_t tableStart = image.security.virtualAddress;
  const uint64_t tableEnd = tableStart + image.security.size;
  // The table must be the file's tail: bytes after it would be covered by
  // neither the digest nor the signature.
  if (tableEnd != source.Size()) return layout;
  if (tableStart < static_cast<uint64_t>(image.securityEntryOffset) + 8) return layout;
  const std::optional<std::span<const uint8_t>> table = source.Bytes(tableStart, image.security.size);
  if (!table) return layout;
  const ByteView view(*table);

  std::optional<std::span<const uint8_t>> signatureArea;
  // Each entry is at least eight bytes long, so the walk ends. Offsets are
  // the file's: entries are aligned in the file, not in the table.
  for (uint64_t at = tableStart; at < tableEnd;) {
    const std::optional<uint32_t> length = view.U32(at - tableStart);
    const std::optional<uint16_t> revision = view.U16(at - tableStart + 4);
    const std::optional<uint16_t> type = view.U16(at - tableStart + 6);
    if (!length || !revision || !type || *length < kWinCertHeaderSize || *length > tableEnd - at) {
      return layout;
    }
    if (*revision != kWinCertRevision2 && *revision != kWinCertRevision1) return layout;
    if (*type == kWinCertTypePkcsSignedData && !signatureArea) {
      signatureArea = view.Slice(at - tableStart + kWinCertHeaderSize, *length - kWinCertHeaderSize);
    }
    const uint64_t next = AlignUp8(at + *length);
    // Entries are 8-byte aligned; only the last may end unpadded at the
    // table's end.
    if (next > tableEnd && at + *length != tableEnd) return layout;
    at = next;
  }
  if (!signatureArea || !SplitSignature(*signatureArea, layout.signature)) return layout;

  const uint64_t checksum = image.checksumOffset;
  const uint64_t entry = image.securityEntryOffset;
  layout.digestRanges = {{0, checksum}, {checksum + 4, entry - checksum - 4}, {entry + 8, tableStart - entry - 8}};
  layout.status = LayoutStatus::kSigned;
  return layout;
}

SubjectLayout CabinetLayout(SubjectSource& source, std::span<const uint8_t> head) {
  SubjectLayout layout;
  layout.form = SubjectForm::kCabinet;
  layout.dataTypeOid = kSpcCabDataOid;
  // Everything read below the signature lies in the head: the fixed header
  // and at most four names of kMaxCabinetNameLength bytes.
  const ByteView view(head);
  const std::optional<uint16_t> flags = view.U16(30);
  if (!flags || (*flags & kCabReservePresent) == 0) return layout;
  const std::optional<uint16_t> headerReserve = view.U16(36);
  const std::optional<uint8_t> folderReserve = view.U8(38);
  const std::optional<uint8_t> dataReserve = view.U8(39);
  const std::optional<uint32_t> marker = view.U32(40);
  const std::optional<uint32_t> signatureOffset = view.U32(44);
  const std::optional<uint32_t> signatureSize = view.U32(48);
  if (!headerReserve || !folderReserve || !dataReserve || !marker || !signatureOffset || !signatureSize) {
    return layout;
  }
  // A reserve area of another shape, or an empty signature slot, is a
  // cabinet that simply carries no signature.
  if (*headerReserve != kCabSignedReserveSize || *marker != kCabSignedReserveMarker) return layout;
  if (*signatureOffset == 0 && *signatureSize == 0) return layout;

  layout.status = LayoutStatus::kMalformed;
  if (*folderReserve != 0 || *dataReserve != 0) return layout;
  if (view.U32(4) != 0u) return layout;  // reserved1
  const uint64_t signatureStart = *signatureOffset;
  if (signatureStart < kCabFixedHeaderEnd || signatureStart + *signatureSize != source.Size()) return layout;

  // The optional cabinet names and the folder entries must lead exactly to
  // the first file entry, as the header says.
  uint64_t at = kCabFixedHeaderEnd;
  const int nameCount = ((*flags & kCabPrevCabinet) ? 2 : 0) + ((*flags & kCabNextCabinet) ? 2 : 0);
  for (int name = 0; name < nameCount; ++name) {
    size_t length = 0;
    while (true) {
      const std::optional<uint8_t> byte = view.U8(at);
      if (!byte || at >= signatureStart || length > kMaxCabinetNameLength) return layout;
      ++at;
      if (*byte == 0) break;
      ++length;
    }
  }
  const std::optional<uint16_t> folderCount = view.U16(26);
  const std::optional<uint32_t> firstFile = view.U32(16);
  at += 8ULL * *folderCount;
  if (at != *firstFile || at > signatureStart) return layout;

  const std::optional<std::span<const uint8_t>> area = source.Bytes(signatureStart, *signatureSize);
  if (!area || !SplitSignature(*area, layout.signature)) return layout;
  // Skipped: reserved1 (4..7), iCabinet, the reserve sizes and the first
  // sixteen reserve bytes with the signature's place (34..55).
  layout.digestRanges = {{0, 4}, {8, 26}, {56, signatureStart - 56}};
  layout.status = LayoutStatus::kSigned;
  return layout;
}

// The file's last bytes are the first `length` bytes of the magic: a
// trailer cut short. `tail` is the end of the file.
bool EndsInCutMagic(std::span<const uint8_t> tail) {
  constexpr size_t kMinimumCut = 8;
  for (size_t length = std::min(tail.size(), kElfSignatureMagic.size() - 1); length >= kMinimumCut; --length) {
    if (std::equal(kElfSignatureMagic.begin(), kElfSignatureMagic.begin() + static_cast<std::ptrdiff_t>(length),
                   tail.end() - static_cast<std::ptrdiff_t>(length))) {
      return true;
    }
  }
  return false;
}

SubjectLayout ElfLayout(SubjectSource& source) {
  SubjectLayout layout;
  layout.form = SubjectForm::kElf;
  const uint64_t size = source.Size();
  const uint64_t tailSize = std::min<uint64_t>(size, kElfSignatureTrailerSize);
  const std::optional<std::span<const uint8_t>> tail = source.Bytes(size - tailSize, tailSize);
  if (!tail) return layout;
  const bool trailerAtEnd =
      tail->size() >= kElfSignatureMagic.size() &&
      std::equal(kElfSignatureMagic.begin(), kElfSignatureMagic.end(),
                 tail->end() - static_cast<std::ptrdiff_t>(kElfSignatureMagic.size()));
  if (!trailerAtEnd) {
    if (EndsInCutMagic(*tail)) layout.status = LayoutStatus::kMalformed;
    return layout;
  }
  layout.status = LayoutStatus::kMalformed;
  if (size < kElfHeaderMinimum + kElfSignatureTrailerSize) return layout;
  const std::span<const uint8_t> info = tail->first(kElfSignatureInfoSize);
  constexpr uint8_t kExpectedInfo[8] = {0, 0, kElfSignatureIdPkcs7, 0, 0, 0, 0, 0};
  if (!std::equal(std::begin(kExpectedInfo), std::end(kExpectedInfo), info.begin())) return layout;
  const uint64_t length = (static_cast<uint64_t>(info[8]) << 24) | (static_cast<uint64_t>(info[9]) << 16) |
                          (static_cast<uint64_t>(info[10]) << 8) | info[11];
  const uint64_t room = size - kElfSignatureTrailerSize - kElfHeaderMinimum;
  if (length == 0 || length > room) return layout;
  const uint64_t signatureStart = size - kElfSignatureTrailerSize - length;
  const std::optional<std::span<const uint8_t>> area = source.Bytes(signatureStart, length);
  if (!area) return layout;
  const std::optional<DerItem> der = ReadDer(*area);
  if (!der || der->tag != kDerSequence || der->totalSize != area->size()) return layout;
  layout.signature = *area;
  layout.digestRanges = {{0, signatureStart}};
  layout.status = LayoutStatus::kSigned;
  return layout;
}

}  // namespace

bool IsElfImage(std::span<const uint8_t> file) {
  return file.size() >= 4 && file[0] == 0x7F && file[1] == 'E' && file[2] == 'L' && file[3] == 'F';
}

std::vector<uint8_t> MakeElfSignatureTrailer(uint32_t signatureLength) {
  std::vector<uint8_t> trailer(kElfSignatureTrailerSize, 0);
  trailer[2] = kElfSignatureIdPkcs7;
  for (size_t i = 0; i < 4; ++i) {
    trailer[8 + i] = static_cast<uint8_t>(signatureLength >> (24 - 8 * i));  // big-endian
  }
  std::copy(kElfSignatureMagic.begin(), kElfSignatureMagic.end(), trailer.begin() + kElfSignatureInfoSize);
  return trailer;
}

SubjectLayout FindSubjectLayout(SubjectSource& source) {
  const std::optional<std::span<const uint8_t>> head = source.Bytes(0, std::min<uint64_t>(source.Size(), kHeadSize));
  if (!head) return SubjectLayout{};
  if (ByteView(*head).U32(0) == 0x4643534Du) {  // "MSCF"
    return CabinetLayout(source, *head);
  }
  if (IsElfImage(*head)) return ElfLayout(source);
  if (const std::optional<pe::PeImage> image = ReadPeHeaders(source, *head)) return PeLayout(source, *image);
  return SubjectLayout{};
}

SignatureLayout FindSignatureLayout(std::span<const uint8_t> file) {
  MemorySubject source(file);
  const SubjectLayout found = FindSubjectLayout(source);
  SignatureLayout layout;
  layout.form = found.form;
  layout.status = found.status;
  layout.signature = found.signature;
  layout.dataTypeOid = found.dataTypeOid;
  for (const ByteRange& range : found.digestRanges) {
    layout.digestRanges.push_back(file.subspan(static_cast<size_t>(range.offset), static_cast<size_t>(range.length)));
  }
  return layout;
}

}  // namespace platform::trust
