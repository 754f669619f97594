#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Authenticode verification as WinVerifyTrust with
// WINTRUST_ACTION_GENERIC_VERIFY_V2 does it, no UI and no revocation check,
// for PE images and cabinets, with the machine's trusted roots and its
// Untrusted Publishers ("Disallowed") store. Both systems give the same
// verdicts for the same file and stores:
//   Windows  WinTrust, with the signer's chain held to the base chain policy
//            and to the Disallowed store by us as well
//            (Authenticode_wintrust.cpp);
//   Linux    OpenSSL over the host CA bundle and the prefix's certs/root/ and
//            certs/disallowed/ (Authenticode_openssl.h), which also checks
//            this platform's own programs: ELF files with an appended
//            detached signature (AuthenticodeLayout.h).
namespace platform::trust {

// HRESULTs WinVerifyTrust returns (as the 32-bit pattern Windows uses).
inline constexpr uint32_t kTrustENoSignature = 0x800B0100;
inline constexpr uint32_t kTrustEProviderUnknown = 0x800B0001;
inline constexpr uint32_t kTrustESubjectFormUnknown = 0x800B0003;
inline constexpr uint32_t kTrustESubjectNotTrusted = 0x800B0004;
inline constexpr uint32_t kTrustEExplicitDistrust = 0x800B0111;
inline constexpr uint32_t kTrustEBadDigest = 0x80096010;
inline constexpr uint32_t kTrustECertSignature = 0x80096004;
inline constexpr uint32_t kTrustENoSignerCert = 0x80096002;
inline constexpr uint32_t kCertEExpired = 0x800B0101;
inline constexpr uint32_t kCertEUntrustedRoot = 0x800B0109;
inline constexpr uint32_t kCertEChaining = 0x800B010A;
inline constexpr uint32_t kCertEWrongUsage = 0x800B0110;
inline constexpr uint32_t kCryptESecuritySettings = 0x80092026;
inline constexpr uint32_t kCryptEAsn1BadTag = 0x8009310B;
inline constexpr uint32_t kNteBadAlgid = 0x80090008;

// HRESULT_FROM_WIN32.
constexpr uint32_t HResultFromWin32(uint32_t error) {
  return error == 0 ? 0 : (error & 0xFFFF) | 0x80070000u;
}

// The verdict of one check: the result WinVerifyTrust returns and the value
// it leaves as the thread's last error (0 on success; the same HRESULT as the
// result, or for TRUST_E_NOSIGNATURE the reason: TRUST_E_NOSIGNATURE for a
// known format without a signature, TRUST_E_SUBJECT_FORM_UNKNOWN for a file of
// no known format, HRESULT_FROM_WIN32 of the file error for a file that cannot
// be read, and HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a signature area
// that is present but inconsistent with the file).
struct TrustVerdict {
  uint32_t result = 0;
  uint32_t lastError = 0;
};

// The check of a file named by a Windows path, with the system's stores: a
// file that cannot be opened or read gives TRUST_E_NOSIGNATURE with
// HRESULT_FROM_WIN32 of the file error, as TrustVerdict describes.
TrustVerdict VerifyFileTrust(std::string_view path);

// WinVerifyTrust for a file named by a Windows path, with the system's
// stores: returns the result of VerifyFileTrust and sets the thread's last
// error to its lastError.
uint32_t WinVerifyTrust(std::string_view path);

// The check of a file's bytes the caller holds (a program it will start
// from the same open file, a cabinet it will extract from the same bytes),
// with the system's stores. Never reads outside `image`.
TrustVerdict VerifyImageTrust(std::span<const uint8_t> image);

}  // namespace platform::trust
