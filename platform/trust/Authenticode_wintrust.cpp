#include "platform/trust/Authenticode.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <mssip.h>
#include <softpub.h>

#include <memory>
#include <string>

#include "platform/core/Wide_win32.h"
#include "platform/core/Win32Error.h"
#include "platform/fs/HeldImageFile_win32.h"
#include "platform/trust/AuthenticodeLayout.h"
#include "platform/trust/SubjectDigest_openssl.h"
#include "platform/trust/SubjectSource.h"

// WinVerifyTrust decides, with the action Windows' own shell uses for
// programs and cabinets. What it accepts is then held to the rules Windows
// applies and Wine 8's WinTrust does not, each checked by us on what WinTrust
// itself found (its state is kept until we are done):
//   - the image digest: Wine accepts a cabinet whose data was changed after
//     signing; we digest the file's ranges and compare with the signature's;
//   - the Disallowed store: Wine's chain engine never looks there;
//   - the signer's chain: Wine accepts a chain that ends at an untrusted root,
//     or at no root at all (its base chain policy passes a partial chain);
//   - code-signing usage: Wine accepts a signer certified for TLS only.
// The layout of the file (AuthenticodeLayout.h) is read first, so a file
// without a signature, of no known form or with a damaged signature area
// gets the verdict the Linux verifier gives it.
namespace platform::trust {

namespace {

constexpr const char* kCodeSigningOid = "1.3.6.1.5.5.7.3.3";
constexpr const char* kAnyUsageOid = "2.5.29.37.0";

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;

TrustVerdict Fail(uint32_t result) { return TrustVerdict{result, result}; }
TrustVerdict NoSignature(uint32_t reason) { return TrustVerdict{kTrustENoSignature, reason}; }
TrustVerdict Unreadable(Win32Error error) { return NoSignature(HResultFromWin32(error)); }
TrustVerdict Malformed() { return Unreadable(kErrorInvalidData); }

// One WinVerifyTrust verification with its state kept, so that what it
// found can be looked at; the state is released on every path.
class TrustState {
 public:
  explicit TrustState(const std::wstring& path) {
    m_file.cbStruct = sizeof m_file;
    m_file.pcwszFilePath = path.c_str();
    m_data.cbStruct = sizeof m_data;
    m_data.dwUIChoice = WTD_UI_NONE;
    m_data.fdwRevocationChecks = WTD_REVOKE_NONE;
    m_data.dwUnionChoice = WTD_CHOICE_FILE;
    m_data.pFile = &m_file;
    m_data.dwStateAction = WTD_STATEACTION_VERIFY;
    m_data.dwProvFlags = WTD_SAFER_FLAG;
  }
  ~TrustState() {
    m_data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(nullptr, &m_action, &m_data);
  }
  TrustState(const TrustState&) = delete;
  TrustState& operator=(const TrustState&) = delete;

  TrustVerdict Verify() {
    const LONG result = ::WinVerifyTrust(nullptr, &m_action, &m_data);
    const DWORD lastError = ::GetLastError();
    return TrustVerdict{static_cast<uint32_t>(result), result == 0 ? 0u : static_cast<uint32_t>(lastError)};
  }

  // What the signature says of the file: data type, digest algorithm and
  // digest; null when WinTrust did not get that far.
  const SIP_INDIRECT_DATA* IndirectData() const {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(m_data.hWVTStateData);
    return provider != nullptr && provider->pPDSip != nullptr ? provider->pPDSip->psIndirectData : nullptr;
  }

  // The chain WinTrust built for the first signer; null when it built none.
  PCCERT_CHAIN_CONTEXT SignerChain() const {
    CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(m_data.hWVTStateData);
    if (provider == nullptr) return nullptr;
    CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    return signer != nullptr ? signer->pChainContext : nullptr;
  }

 private:
  GUID m_action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO m_file{};
  WINTRUST_DATA m_data{};
};

// WinTrust's own answer in the terms of TrustVerdict: a file it could not
// read, and a form it does not know, are files without a signature; a
// signature over the content that does not verify (WinTrust names it as if a
// certificate's were bad, before any chain exists) is a bad digest.
TrustVerdict Normalized(const TrustVerdict& verdict, bool hasChain) {
  const uint32_t result = verdict.result;
  if (result == 0) return verdict;
  if (result == kTrustESubjectFormUnknown) return NoSignature(kTrustESubjectFormUnknown);
  if (result < 0x10000) return Unreadable(result);
  if ((result & 0xFFFF0000u) == 0x80070000u) return NoSignature(result);
  if (result == kTrustECertSignature && !hasChain) return Fail(kTrustEBadDigest);
  if (result == kTrustENoSignature) return verdict;
  return Fail(result);
}

// The digest the signature carries against the file's own, over the ranges
// of its layout.
TrustVerdict CheckDigest(const SIP_INDIRECT_DATA* indirect, const SubjectLayout& layout, SubjectSource& subject) {
  if (indirect == nullptr || indirect->Data.pszObjId == nullptr || indirect->DigestAlgorithm.pszObjId == nullptr) {
    return Fail(kTrustEBadDigest);
  }
  if (layout.dataTypeOid != indirect->Data.pszObjId) return Malformed();
  const DigestMatch match =
      MatchSubjectDigest(subject, layout.digestRanges, indirect->DigestAlgorithm.pszObjId,
                         std::span<const uint8_t>(indirect->Digest.pbData, indirect->Digest.cbData));
  if (subject.Error() != kErrorSuccess) return Unreadable(subject.Error());
  if (match == DigestMatch::kUnknownAlgorithm) return Fail(kNteBadAlgid);
  return match == DigestMatch::kMatches ? TrustVerdict{} : Fail(kTrustEBadDigest);
}

bool InStore(HCERTSTORE store, PCCERT_CONTEXT cert) {
  PCCERT_CONTEXT found =
      CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr);
  if (found == nullptr) return false;
  CertFreeCertificateContext(found);
  return true;
}

// Any certificate of the chain, the signer's own and its root included,
// in the current user's view of the Disallowed store.
bool ChainIsDisallowed(PCCERT_CHAIN_CONTEXT chain) {
  if ((chain->TrustStatus.dwErrorStatus & CERT_TRUST_IS_EXPLICIT_DISTRUST) != 0) return true;
  StoreHandle disallowed(CertOpenSystemStoreW(0, L"Disallowed"));
  if (!disallowed) return false;
  for (DWORD i = 0; i < chain->cChain; ++i) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[i];
    for (DWORD j = 0; j < simple->cElement; ++j) {
      if (InStore(disallowed.get(), simple->rgpElement[j]->pCertContext)) return true;
    }
  }
  return false;
}

// The base chain policy, and the chain's own status where Wine's policy
// passes what Windows' refuses (a chain that reaches no root).
uint32_t ChainError(PCCERT_CHAIN_CONTEXT chain) {
  CERT_CHAIN_POLICY_PARA para{};
  para.cbSize = sizeof para;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain, &para, &status)) return kCertEChaining;
  if (status.dwError != 0) return static_cast<uint32_t>(status.dwError);
  const DWORD errors = chain->TrustStatus.dwErrorStatus;
  if ((errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) != 0) return kTrustECertSignature;
  if ((errors & CERT_TRUST_IS_UNTRUSTED_ROOT) != 0) return kCertEUntrustedRoot;
  if ((errors & CERT_TRUST_IS_NOT_TIME_VALID) != 0) return kCertEExpired;
  if ((errors & (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_CYCLIC)) != 0) return kCertEChaining;
  if ((errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) != 0) return kCertEWrongUsage;
  return 0;
}

// A certificate that restricts its extended key usage must allow code
// signing; the signer's key usage, where stated, must allow signatures.
bool AllowsCodeSigning(PCCERT_CONTEXT cert, bool isSigner) {
  DWORD size = 0;
  if (CertGetEnhancedKeyUsage(cert, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, nullptr, &size) && size > 0) {
    std::string buffer(size, '\0');
    auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
    if (CertGetEnhancedKeyUsage(cert, CERT_FIND_EXT_ONLY_ENHKEY_USAGE_FLAG, usage, &size)) {
      bool allowed = false;
      for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
        const std::string_view oid = usage->rgpszUsageIdentifier[i];
        allowed = allowed || oid == kCodeSigningOid || oid == kAnyUsageOid;
      }
      if (!allowed) return false;
    }
  }
  BYTE keyUsage = 0;
  if (isSigner && CertGetIntendedKeyUsage(X509_ASN_ENCODING, cert->pCertInfo, &keyUsage, 1) &&
      (keyUsage & CERT_DIGITAL_SIGNATURE_KEY_USAGE) == 0) {
    return false;
  }
  return true;
}

bool ChainAllowsCodeSigning(PCCERT_CHAIN_CONTEXT chain) {
  for (DWORD i = 0; i < chain->cChain; ++i) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[i];
    for (DWORD j = 0; j < simple->cElement; ++j) {
      if (!AllowsCodeSigning(simple->rgpElement[j]->pCertContext, i == 0 && j == 0)) return false;
    }
  }
  return true;
}

// Findings about the signer, in the Linux verifier's order: distrust first,
// then the chain, then usage.
TrustVerdict CheckSigner(PCCERT_CHAIN_CONTEXT chain, const TrustVerdict& winTrust) {
  if (chain == nullptr) return winTrust.result != 0 ? winTrust : Fail(kCertEChaining);
  if (ChainIsDisallowed(chain)) return Fail(kTrustEExplicitDistrust);
  if (winTrust.result != 0) return winTrust;
  if (const uint32_t error = ChainError(chain); error != 0) return Fail(error);
  if (!ChainAllowsCodeSigning(chain)) return Fail(kCertEWrongUsage);
  return TrustVerdict{};
}

TrustVerdict Verify(std::string_view path) {
  FileSubject subject;
  if (const Win32Error error = subject.Open(path)) return Unreadable(error);
  const SubjectLayout layout = FindSubjectLayout(subject);
  if (subject.Error() != kErrorSuccess) return Unreadable(subject.Error());
  // Programs of this system are PE images; an ELF file is of no form here.
  if (layout.form == SubjectForm::kUnknown || layout.form == SubjectForm::kElf) {
    return NoSignature(kTrustESubjectFormUnknown);
  }
  if (layout.status == LayoutStatus::kUnsigned) return NoSignature(kTrustENoSignature);
  if (layout.status == LayoutStatus::kMalformed) return Malformed();

  const std::wstring widePath = Widen(path);
  TrustState state(widePath);
  const TrustVerdict raw = state.Verify();
  const PCCERT_CHAIN_CONTEXT chain = state.SignerChain();
  const TrustVerdict winTrust = Normalized(raw, chain != nullptr);
  // Only a verdict about the signer leaves the content to be checked here.
  if (winTrust.result != 0 && chain == nullptr) return winTrust;
  if (const TrustVerdict content = CheckDigest(state.IndirectData(), layout, subject); content.result != 0) {
    return content;
  }
  return CheckSigner(chain, winTrust);
}

}  // namespace

TrustVerdict VerifyFileTrust(std::string_view path) { return Verify(path); }

uint32_t WinVerifyTrust(std::string_view path) {
  const TrustVerdict verdict = VerifyFileTrust(path);
  ::SetLastError(verdict.lastError);
  return verdict.result;
}

// WinTrust reads files only: the image goes into a file of our own, held
// against writers while WinTrust opens and reads it.
TrustVerdict VerifyImageTrust(std::span<const uint8_t> image) {
  fs::HeldImageFile file(L"sig");
  if (const Win32Error error = file.Write(image); error != kErrorSuccess) return Unreadable(error);
  return VerifyFileTrust(file.Path());
}

}  // namespace platform::trust
