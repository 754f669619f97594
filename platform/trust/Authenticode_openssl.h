#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/trust/Authenticode.h"

// The OpenSSL verifier behind Authenticode.h on Linux, open to callers that
// choose their own stores: the publishing tool, the fuzzer and the tests.
// OpenSSL's PKCS#7 and X.509 code stand in for the Windows trust providers.
namespace platform::trust {

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

}  // namespace platform::trust
