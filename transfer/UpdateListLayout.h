#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/Profile.h"

class IReportSink;

// The signed update list: INI text (the signed bytes), the line
// "-----BEGIN SIGNATURE-----" CR LF, base64 signature text, and
// "-----END SIGNATURE-----" as the last bytes (only "-", CR, LF, TAB and
// space may follow it). Each marker occurs once.
//
// The file is read exactly once. Everything after a successful check works on
// the bytes held here, so a file swapped on disk between the check and the
// parse is never believed, and nothing after the BEGIN marker is ever read as
// INI: IniSource() hands out the signed bytes only.

inline constexpr std::string_view kSignatureBeginMarker = "-----BEGIN SIGNATURE-----";
inline constexpr std::string_view kSignatureEndMarker = "-----END SIGNATURE-----";

// Results of VerFileCheck.
inline constexpr int kVerFileOk = 1;
inline constexpr int kVerFileOpenFail = 0;
inline constexpr int kVerFileEmpty = -1;
inline constexpr int kVerFileMarkerTwice = -2;
inline constexpr int kVerFileTrailing = -3;

// Results of the update list check, in the order the checks run.
inline constexpr int kListOpenFail = -1;
inline constexpr int kListSizeZero = -2;
inline constexpr int kListNotSigned = -3;
inline constexpr int kListInvalidSign = -4;
inline constexpr int kListEncoderInit = -5;
inline constexpr int kListEncoderUpdate = -6;
inline constexpr int kListEncoderFinal = -7;
inline constexpr int kListKeyMissing = -8;
inline constexpr int kListVerifyInit = -9;
inline constexpr int kListVerifyUpdate = -10;
inline constexpr int kListVerifyFinal = -11;
inline constexpr int kListCheckOpenFail = -13;
inline constexpr int kListCheckEmpty = -14;
inline constexpr int kListCheckMarkerTwice = -15;
inline constexpr int kListCheckTrailing = -16;

// Inspects the signature block of an update list file (Windows path):
// 1 well-formed, 0 the file cannot be opened, -1 it is empty, -2 a marker
// occurs more than once, -3 something other than filler follows the END
// marker. `count` is the length of the signed part plus one; the whole tail
// after the END marker is inspected whatever it says, so a short signed part
// cannot leave trailing bytes unchecked. Writes trace lines only.
int VerFileCheck(uint32_t count, const std::string& path);
// The same check on bytes already read; `path` only names them in traces.
int VerFileCheck(uint32_t count, std::span<const uint8_t> bytes, const std::string& path);

class CUpdateListLayout {
 public:
  // Reads the file (Windows path) and runs every check of the install
  // procedure: size, markers, VerFileCheck, base64 decode of the signature
  // and the RSA SHA-512 signature with the given PEM "PUBLIC KEY" text
  // (nullopt: the key resource was not found). Returns 0 or one of the
  // kList* codes; each failure writes its trace line and, where it has one,
  // its report line (report may be null). On failure SignedBytes() is empty.
  int Verify(const std::string& path, std::optional<std::string_view> publicKeyPem,
             IReportSink* report);
  // The same checks on bytes in memory; `path` only names them in lines.
  int VerifyBytes(std::span<const uint8_t> bytes, const std::string& path,
                  std::optional<std::string_view> publicKeyPem, IReportSink* report);

  // Layout only (no signature): 0, kListSizeZero, kListNotSigned or
  // kListInvalidSign. Fills SignedBytes() and SignatureText() on success.
  int Cut(std::span<const uint8_t> bytes);

  // Length of the whole list as it was read (signature block included),
  // after a successful Cut or Verify; 0 otherwise.
  size_t ListLength() const { return m_bCut ? m_bytes.size() : 0; }
  // The bytes before the BEGIN marker, after a successful Cut or Verify.
  std::span<const uint8_t> SignedBytes() const;
  // The base64 text between the BEGIN line and the END marker.
  std::string_view SignatureText() const;
  // The INI text for the profile reader: exactly the signed bytes.
  platform::profile::Source IniSource() const { return platform::profile::Source::Bytes(SignedBytes()); }

 private:
  int Fail(int code);

  std::vector<uint8_t> m_bytes;
  size_t m_nSignedLength = 0;
  size_t m_nSignatureBegin = 0;
  size_t m_nSignatureEnd = 0;
  bool m_bCut = false;
};
