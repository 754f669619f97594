#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// Authenticode verification in the manner of WinVerifyTrust with
// WINTRUST_ACTION_GENERIC_VERIFY_V2, no UI and no revocation check, for PE
// images and cabinets, and the same check for this platform's own programs:
// ELF files with an appended detached signature (AuthenticodeLayout.h),
// under the same rules and verdicts. OpenSSL's PKCS#7 and X.509 code stand in for the
// Windows trust providers; the trusted roots are the host CA bundle plus the
// prefix's certs/root/ store, and certs/disallowed/ plays the Untrusted
// Publishers store.
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

// The certificate stores one verification consults. Loading never fails:
// unreadable or non-certificate files in a store are skipped.
class TrustStores {
 public:
  // OpenSSL's default CA bundle + the system's ROOT store as trusted roots;
  // the system's Untrusted Publishers store as distrusted.
  static TrustStores FromSystem();
  // Nothing trusted, nothing distrusted; then add PEM files explicitly.
  static TrustStores Empty();

  // Adds every certificate of a host PEM file to the roots or to the
  // distrusted list. Returns the number of certificates added.
  int AddTrustedPemFile(const std::string& hostPath);
  int AddDisallowedPemFile(const std::string& hostPath);

  TrustStores(TrustStores&&) noexcept;
  TrustStores& operator=(TrustStores&&) noexcept;
  ~TrustStores();

  struct Impl;
  Impl& Get() const { return *m_impl; }

 private:
  TrustStores();
  std::unique_ptr<Impl> m_impl;
};

class SubjectSource;

// Verifies the Authenticode signature of a file's bytes. Never throws and
// never reads outside `file`.
TrustVerdict VerifyAuthenticode(std::span<const uint8_t> file, const TrustStores& stores);

// The same check over bytes as a SubjectSource hands them out (SubjectSource.h).
// A source that fails (a file cut short, grown or unreadable during the
// check) gives TRUST_E_NOSIGNATURE with HRESULT_FROM_WIN32 of its error.
TrustVerdict VerifyAuthenticode(SubjectSource& subject, const TrustStores& stores);

// The check of a file named by a Windows path, read once front to back in
// large chunks; only the headers and the signature are kept. Only regular
// files are read: FIFOs and devices give HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED).
TrustVerdict VerifyAuthenticodeFile(std::string_view path, const TrustStores& stores);

// WinVerifyTrust for a file named by a Windows path, with the prefix's
// stores: returns the result and sets the thread's last error as
// TrustVerdict describes.
uint32_t WinVerifyTrust(std::string_view path);

}  // namespace platform::trust
