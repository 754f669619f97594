#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Where the Authenticode signature of a file sits and which bytes its digest
// covers, for the two formats we verify: PE images (certificate table) and
// cabinets (signature area named in the reserved header). Pure parsing of
// untrusted bytes; nothing is verified here.
namespace platform::trust {

enum class SubjectForm {
  kUnknown,  // neither a PE image nor a cabinet
  kPe,
  kCabinet,
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
  // The file's bytes in digest order; together they are everything except the
  // format's excluded fields and the signature area.
  std::vector<std::span<const uint8_t>> digestRanges;
  // The SpcIndirectDataContent data type the format requires.
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
SignatureLayout FindSignatureLayout(std::span<const uint8_t> file);

}  // namespace platform::trust
