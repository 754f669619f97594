#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/trust/SubjectSource.h"

// Where the signature of a file sits and which bytes its digest covers, for
// the formats we verify: PE images (Authenticode certificate table),
// cabinets (Authenticode signature area named in the reserved header) and
// ELF programs, this platform's own executables (a signature appended in the
// manner of Linux kernel modules, below). Pure parsing of untrusted bytes;
// nothing is verified here.
namespace platform::trust {

enum class SubjectForm {
  kUnknown,  // none of the formats below
  kPe,
  kCabinet,
  kElf,
};

enum class LayoutStatus {
  kSigned,     // a signature and the digest ranges were found
  kUnsigned,   // a known format without a signature
  kMalformed,  // a signature area that is inconsistent with the file
};

struct SignatureLayout {
  SubjectForm form = SubjectForm::kUnknown;
  LayoutStatus status = LayoutStatus::kUnsigned;
  // The DER of the PKCS#7 SignedData, without the padding after it.
  std::span<const uint8_t> signature;
  // For ELF programs the SignedData is detached: the digest ranges are its
  // content, and there is no SpcIndirectDataContent.
  // The file's bytes in digest order; together they are everything except the
  // format's excluded fields and the signature area.
  std::vector<std::span<const uint8_t>> digestRanges;
  // The SpcIndirectDataContent data type the format requires (PE, cabinet).
  std::string_view dataTypeOid;
};

// The same as found in a SubjectSource: the digest ranges as file offsets,
// the signature in the source's keeping.
struct SubjectLayout {
  SubjectForm form = SubjectForm::kUnknown;
  LayoutStatus status = LayoutStatus::kUnsigned;
  std::span<const uint8_t> signature;
  std::vector<ByteRange> digestRanges;  // ascending, not overlapping
  std::string_view dataTypeOid;
};

inline constexpr std::string_view kSpcPeImageDataOid = "1.3.6.1.4.1.311.2.1.15";
inline constexpr std::string_view kSpcCabDataOid = "1.3.6.1.4.1.311.2.1.25";

// Finds the signature of a PE image or cabinet. A PE image's certificate
// table must be the last thing in the file, its WIN_CERTIFICATE entries must
// fill it exactly, and the bytes after the DER signature inside the entry may
// only be the zero padding to the next 8-byte boundary (stricter than
// Windows' default, which ignores what follows the DER). A cabinet's reserved
// header must hold the signature offset and size, the signature must end the
// file and may likewise only be followed by zero padding.
//
// An ELF program ("\x7fELF") is signed when it ends in the trailer:
//
//   program bytes | DER PKCS#7 SignedData | 12-byte info | kElfSignatureMagic
//
// The SignedData is detached and signs exactly the program bytes before it.
// The info is the kernel's struct module_signature: algorithm 0, hash 0,
// identifier type 2 (PKCS#7), signer and key-id lengths 0, three zero bytes,
// then the DER's length as a big-endian 32-bit number. The DER must fill
// that length exactly and leave at least an ELF header (52 bytes) before it.
// A program that does not end in the magic is unsigned, unless its end is a
// cut-off start of the trailer's magic (8 bytes or more), which is a damaged
// signature.
SignatureLayout FindSignatureLayout(std::span<const uint8_t> file);
// The same rules, reading only the headers and the signature area.
SubjectLayout FindSubjectLayout(SubjectSource& source);

inline constexpr std::string_view kElfSignatureMagic = "~Vamo signature appended~\n";
inline constexpr size_t kElfSignatureInfoSize = 12;
inline constexpr size_t kElfSignatureTrailerSize = kElfSignatureInfoSize + kElfSignatureMagic.size();
inline constexpr uint8_t kElfSignatureIdPkcs7 = 2;
inline constexpr size_t kElfHeaderMinimum = 52;

// True when the bytes start like an ELF file.
bool IsElfImage(std::span<const uint8_t> file);
// The info and magic that follow a DER signature of this length.
std::vector<uint8_t> MakeElfSignatureTrailer(uint32_t signatureLength);

}  // namespace platform::trust
