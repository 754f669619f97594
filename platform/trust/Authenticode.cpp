#include "platform/trust/Authenticode_openssl.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/trust/SystemStores.h"
#include "platform/trust/AuthenticodeLayout.h"
#include "platform/trust/Der.h"
#include "platform/trust/SubjectBio_openssl.h"
#include "platform/trust/SubjectDigest_openssl.h"
#include "platform/trust/SubjectSource.h"

namespace platform::trust {

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Asn1ObjectPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;

void FreeCertStack(STACK_OF(X509)* stack) { sk_X509_pop_free(stack, X509_free); }
void FreeSignerStack(STACK_OF(X509)* stack) { sk_X509_free(stack); }  // borrowed certificates
using CertStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), FreeCertStack>>;
using SignerStackPtr = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), FreeSignerStack>>;

constexpr std::string_view kSpcIndirectDataOid = "1.3.6.1.4.1.311.2.1.4";

TrustVerdict Fail(uint32_t result) { return TrustVerdict{result, result}; }
TrustVerdict NoSignature(uint32_t reason) { return TrustVerdict{kTrustENoSignature, reason}; }
TrustVerdict Malformed() { return NoSignature(HResultFromWin32(kErrorInvalidData)); }
// A file that could not be opened, or not read to its end as it was when
// the check began.
TrustVerdict Unreadable(Win32Error error) { return NoSignature(HResultFromWin32(error)); }

// Dotted text of a DER OBJECT IDENTIFIER item (tag and length included).
std::string OidText(std::span<const uint8_t> der) {
  const unsigned char* p = der.data();
  Asn1ObjectPtr object(d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(der.size())));
  if (!object) return {};
  char buffer[128];
  const int length = OBJ_obj2txt(buffer, sizeof(buffer), object.get(), 1);
  if (length <= 0 || length >= static_cast<int>(sizeof(buffer))) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

std::string OidText(const ASN1_OBJECT* object) {
  char buffer[128];
  const int length = OBJ_obj2txt(buffer, sizeof(buffer), object, 1);
  if (length <= 0 || length >= static_cast<int>(sizeof(buffer))) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

// What SpcIndirectDataContent says: the data type and the image digest.
struct IndirectData {
  std::span<const uint8_t> signedContent;  // contents octets the signer's messageDigest covers
  std::string dataTypeOid;
  std::string digestOid;
  std::span<const uint8_t> digest;
};

std::optional<IndirectData> ReadIndirectData(std::span<const uint8_t> der) {
  const std::optional<DerItem> outer = ReadDer(der);
  if (!outer || outer->tag != kDerSequence || outer->totalSize != der.size()) return std::nullopt;
  IndirectData data;
  data.signedContent = outer->contents;
  DerSequence content(outer->contents);
  const std::optional<DerItem> attribute = content.Next();
  const std::optional<DerItem> digestInfo = content.Next();
  if (!attribute || attribute->tag != kDerSequence || !digestInfo || digestInfo->tag != kDerSequence) {
    return std::nullopt;
  }
  DerSequence attributeItems(attribute->contents);
  const std::optional<DerItem> type = attributeItems.Next();
  if (!type || type->tag != kDerOid) return std::nullopt;
  data.dataTypeOid = OidText(attribute->contents.first(type->totalSize));

  DerSequence digestItems(digestInfo->contents);
  const std::optional<DerItem> algorithm = digestItems.Next();
  const std::optional<DerItem> digest = digestItems.Next();
  if (!algorithm || algorithm->tag != kDerSequence || !digest || digest->tag != kDerOctetString) {
    return std::nullopt;
  }
  DerSequence algorithmItems(algorithm->contents);
  const std::optional<DerItem> algorithmOid = algorithmItems.Next();
  if (!algorithmOid || algorithmOid->tag != kDerOid) return std::nullopt;
  data.digestOid = OidText(algorithm->contents.first(algorithmOid->totalSize));
  data.digest = digest->contents;
  return data;
}

bool IsDisallowed(const STACK_OF(X509)* disallowed, X509* cert) {
  if (cert == nullptr) return false;
  for (int i = 0; i < sk_X509_num(disallowed); ++i) {
    if (X509_cmp(sk_X509_value(disallowed, i), cert) == 0) return true;
  }
  return false;
}

bool AnyDisallowed(const STACK_OF(X509)* disallowed, STACK_OF(X509)* certs) {
  for (int i = 0; i < sk_X509_num(certs); ++i) {
    if (IsDisallowed(disallowed, sk_X509_value(certs, i))) return true;
  }
  return false;
}

uint32_t ChainError(int error) {
  switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return kCertEExpired;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return kCertEUntrustedRoot;
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
      return kTrustECertSignature;
    case X509_V_ERR_INVALID_PURPOSE:
      return kCertEWrongUsage;
    default:
      return kCertEChaining;
  }
}

// Chain errors that another source of roots could cure.
bool IsMissingRoot(int error) {
  switch (error) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return true;
    default:
      return false;
  }
}

// Every certificate that restricts its extended key usage must allow code
// signing, and the signer's key usage (when present) must allow signatures.
bool AllowsCodeSigning(STACK_OF(X509)* chain) {
  for (int i = 0; i < sk_X509_num(chain); ++i) {
    X509* cert = sk_X509_value(chain, i);
    const uint32_t flags = X509_get_extension_flags(cert);
    if ((flags & EXFLAG_XKUSAGE) != 0 &&
        (X509_get_extended_key_usage(cert) & (XKU_CODE_SIGN | XKU_ANYEKU)) == 0) {
      return false;
    }
    if (i == 0 && (flags & EXFLAG_KUSAGE) != 0 && (X509_get_key_usage(cert) & KU_DIGITAL_SIGNATURE) == 0) {
      return false;
    }
  }
  return true;
}

// Adds every PEM certificate in the bio to the store and/or the list.
int AddPemCertificates(BIO* bio, X509_STORE* store, STACK_OF(X509)* list) {
  int added = 0;
  if (bio != nullptr) {
    while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
      X509Ptr owned(cert);
      if (store != nullptr && X509_STORE_add_cert(store, cert) == 1) ++added;
      if (list != nullptr && sk_X509_push(list, owned.get()) > 0) {
        owned.release();
        ++added;
      }
    }
  }
  // The end of a PEM file is reported as an error on the queue; it is none.
  ERR_clear_error();
  return added;
}

int AddPemFile(const std::string& hostPath, X509_STORE* store, STACK_OF(X509)* list) {
  BioPtr bio(BIO_new_file(hostPath.c_str(), "r"));
  return AddPemCertificates(bio.get(), store, list);
}

void AddSystemStore(SystemStore store, X509_STORE* trusted, STACK_OF(X509)* distrusted) {
  for (const std::vector<uint8_t>& der : ReadSystemStoreCertificates(store)) {
    if (der.size() > static_cast<size_t>(LONG_MAX)) continue;
    const unsigned char* cursor = der.data();
    X509Ptr cert(d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
    if (!cert) continue;
    if (trusted != nullptr) X509_STORE_add_cert(trusted, cert.get());
    if (distrusted != nullptr && sk_X509_push(distrusted, cert.get()) > 0) cert.release();
  }
  // A duplicate certificate leaves an error on the queue; it is none.
  ERR_clear_error();
}
}  // namespace

struct TrustStores::Impl {
  StorePtr store{X509_STORE_new()};
  CertStackPtr disallowed{sk_X509_new_null()};
  // The host bundle file is parsed only when a chain does not end at a root
  // found otherwise: reading some hundred certificates costs more than
  // hashing a large file, and most checks end at a prefix root or at one
  // the hashed certificate folder yields.
  bool bundlePending = false;

  void LoadBundle() {
    if (!bundlePending) return;
    bundlePending = false;
    if (X509_LOOKUP* lookup = X509_STORE_add_lookup(store.get(), X509_LOOKUP_file())) {
      X509_LOOKUP_load_file(lookup, nullptr, X509_FILETYPE_DEFAULT);
    }
    ERR_clear_error();
  }
};

TrustStores::TrustStores() : m_impl(std::make_unique<Impl>()) {}
TrustStores::TrustStores(TrustStores&&) noexcept = default;
TrustStores& TrustStores::operator=(TrustStores&&) noexcept = default;
TrustStores::~TrustStores() = default;

TrustStores TrustStores::Empty() { return TrustStores(); }

TrustStores TrustStores::FromSystem() {
  TrustStores stores;
  // The host's trusted roots, as OpenSSL's default locations name them: the
  // hashed certificate folder now (it is read lazily, one issuer at a time),
  // the bundle file when a chain needs it.
  if (X509_LOOKUP* lookup = X509_STORE_add_lookup(stores.m_impl->store.get(), X509_LOOKUP_hash_dir())) {
    X509_LOOKUP_add_dir(lookup, nullptr, X509_FILETYPE_DEFAULT);
  }
  stores.m_impl->bundlePending = true;
  ERR_clear_error();
  AddSystemStore(SystemStore::kRoot, stores.m_impl->store.get(), nullptr);
  AddSystemStore(SystemStore::kDisallowed, nullptr, stores.m_impl->disallowed.get());
  return stores;
}

int TrustStores::AddTrustedPemFile(const std::string& hostPath) {
  return AddPemFile(hostPath, m_impl->store.get(), nullptr);
}

int TrustStores::AddDisallowedPemFile(const std::string& hostPath) {
  return AddPemFile(hostPath, nullptr, m_impl->disallowed.get());
}

namespace {

// The content PKCS7_verify digests, behind a buffering filter: handed a
// memory BIO directly, PKCS7_verify copies it into a memory BIO of its own
// and leaks that copy when the signer information is malformed.
BioPtr ContentBio(std::span<const uint8_t> bytes) {
  if (bytes.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  BioPtr content(BIO_new(BIO_f_buffer()));
  BIO* memory = BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size()));
  if (!content || memory == nullptr) {
    BIO_free(memory);
    return nullptr;
  }
  // A larger buffer than the default 4 KiB, for programs of many MiB.
  BIO_set_buffer_size(content.get(), 64 * 1024);
  BIO_push(content.get(), memory);
  return content;
}

// PE images and cabinets: the signed content is SpcIndirectDataContent,
// which names the data type and carries the image digest.
TrustVerdict CheckIndirectContent(PKCS7* p7, const SubjectLayout& layout, SubjectSource& subject) {
  PKCS7* contents = p7->d.sign->contents;
  if (contents->type == nullptr || OidText(contents->type) != kSpcIndirectDataOid ||
      contents->d.other == nullptr || contents->d.other->type != V_ASN1_SEQUENCE) {
    return Malformed();
  }
  const ASN1_STRING* sequence = contents->d.other->value.sequence;
  const std::optional<IndirectData> indirect = ReadIndirectData(
      std::span<const uint8_t>(ASN1_STRING_get0_data(sequence), static_cast<size_t>(ASN1_STRING_length(sequence))));
  if (!indirect || indirect->dataTypeOid != layout.dataTypeOid) return Malformed();

  const DigestMatch digest = MatchSubjectDigest(subject, layout.digestRanges, indirect->digestOid, indirect->digest);
  if (subject.Error() != kErrorSuccess) return Unreadable(subject.Error());
  if (digest == DigestMatch::kUnknownAlgorithm) return Fail(kNteBadAlgid);
  if (digest != DigestMatch::kMatches) return Fail(kTrustEBadDigest);
  // The signer's messageDigest covers the contents octets of
  // SpcIndirectDataContent; PKCS7_verify checks it and the signature. The
  // chain is built afterwards, with our own stores and usage rule.
  BioPtr content = ContentBio(indirect->signedContent);
  const int signatureOk = content ? PKCS7_verify(p7, nullptr, nullptr, content.get(), nullptr, PKCS7_NOVERIFY) : 0;
  ERR_clear_error();
  return signatureOk == 1 ? TrustVerdict{} : Fail(kTrustEBadDigest);
}

// ELF programs: a detached SignedData of type data over the program bytes,
// digested with SHA-256 or SHA-512.
TrustVerdict CheckDetachedContent(PKCS7* p7, const SubjectLayout& layout, SubjectSource& subject) {
  PKCS7* contents = p7->d.sign->contents;
  if (contents->type == nullptr || OBJ_obj2nid(contents->type) != NID_pkcs7_data || !PKCS7_get_detached(p7)) {
    return Malformed();
  }
  const PKCS7_SIGNER_INFO* info = sk_PKCS7_SIGNER_INFO_value(PKCS7_get_signer_info(p7), 0);
  const int digest = info != nullptr && info->digest_alg != nullptr ? OBJ_obj2nid(info->digest_alg->algorithm) : 0;
  if (digest != NID_sha256 && digest != NID_sha512) return Fail(kNteBadAlgid);
  subject.BeginRanges(layout.digestRanges);
  BioPtr content(NewSubjectBio(subject));
  if (!content) return Malformed();
  const int signatureOk =
      PKCS7_verify(p7, nullptr, nullptr, content.get(), nullptr, PKCS7_NOVERIFY | PKCS7_BINARY);
  ERR_clear_error();
  if (subject.Error() != kErrorSuccess) return Unreadable(subject.Error());
  return signatureOk == 1 ? TrustVerdict{} : Fail(kTrustEBadDigest);
}

// The signer's certificate against the stores: distrust first, then a
// chain to a trusted root, then code-signing usage.
TrustVerdict CheckSigner(PKCS7* p7, X509* signer, const TrustStores& stores) {
  const STACK_OF(X509)* disallowed = stores.Get().disallowed.get();
  if (IsDisallowed(disallowed, signer) || AnyDisallowed(disallowed, p7->d.sign->cert)) {
    return Fail(kTrustEExplicitDistrust);
  }

  StoreCtxPtr ctx;
  bool chainOk = false;
  int chainError = X509_V_OK;
  for (int attempt = 0; attempt < 2; ++attempt) {
    ctx.reset(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), stores.Get().store.get(), signer, p7->d.sign->cert) != 1) {
      ERR_clear_error();
      return Fail(kCertEChaining);
    }
    chainOk = X509_verify_cert(ctx.get()) == 1;
    chainError = X509_STORE_CTX_get_error(ctx.get());
    ERR_clear_error();
    if (chainOk || !IsMissingRoot(chainError) || !stores.Get().bundlePending) break;
    stores.Get().LoadBundle();
  }
  STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(ctx.get());
  if (chain != nullptr && AnyDisallowed(disallowed, chain)) return Fail(kTrustEExplicitDistrust);
  if (!chainOk) return Fail(ChainError(chainError));
  if (!AllowsCodeSigning(chain)) return Fail(kCertEWrongUsage);
  return TrustVerdict{};
}

}  // namespace

TrustVerdict VerifyAuthenticode(SubjectSource& subject, const TrustStores& stores) {
  const SubjectLayout layout = FindSubjectLayout(subject);
  if (subject.Error() != kErrorSuccess) return Unreadable(subject.Error());
  if (layout.form == SubjectForm::kUnknown) return NoSignature(kTrustESubjectFormUnknown);
  if (layout.status == LayoutStatus::kUnsigned) return NoSignature(kTrustENoSignature);
  if (layout.status == LayoutStatus::kMalformed) return Malformed();

  const unsigned char* p = layout.signature.data();
  Pkcs7Ptr p7(d2i_PKCS7(nullptr, &p, static_cast<long>(layout.signature.size())));
  ERR_clear_error();
  if (!p7 || p != layout.signature.data() + layout.signature.size()) return Fail(kCryptEAsn1BadTag);
  if (!PKCS7_type_is_signed(p7.get()) || p7->d.sign == nullptr || p7->d.sign->contents == nullptr) {
    return Malformed();
  }
  // One signer, as Authenticode has (a nested second signature lives in an
  // unauthenticated attribute, not beside it) and as the program signer
  // makes.
  if (sk_PKCS7_SIGNER_INFO_num(PKCS7_get_signer_info(p7.get())) != 1) return Malformed();
  // The signer's certificate must travel with the signature: the stores
  // hold roots, not publishers.
  SignerStackPtr signers(PKCS7_get0_signers(p7.get(), nullptr, 0));
  ERR_clear_error();
  X509* signer = signers && sk_X509_num(signers.get()) > 0 ? sk_X509_value(signers.get(), 0) : nullptr;
  if (signer == nullptr) return Fail(kTrustENoSignerCert);

  const TrustVerdict content = layout.form == SubjectForm::kElf ? CheckDetachedContent(p7.get(), layout, subject)
                                                                : CheckIndirectContent(p7.get(), layout, subject);
  if (content.result != 0) return content;
  return CheckSigner(p7.get(), signer, stores);
}

TrustVerdict VerifyAuthenticode(std::span<const uint8_t> file, const TrustStores& stores) {
  MemorySubject subject(file);
  return VerifyAuthenticode(subject, stores);
}

TrustVerdict VerifyAuthenticodeFile(std::string_view path, const TrustStores& stores) {
  // Read, not mapped: a file cut short by someone else during the check
  // must not take the process down (Windows keeps a mapped file from being
  // cut short; this host does not). One pass, so the file is never held
  // whole: the headers and the signature first, then the digested bytes.
  FileSubject subject;
  if (const Win32Error error = subject.Open(path)) return Unreadable(error);
  return VerifyAuthenticode(subject, stores);
}

TrustVerdict VerifyFileTrust(std::string_view path) { return VerifyAuthenticodeFile(path, TrustStores::FromSystem()); }

uint32_t WinVerifyTrust(std::string_view path) {
  const TrustVerdict verdict = VerifyFileTrust(path);
  SetLastError(verdict.lastError);
  return verdict.result;
}

TrustVerdict VerifyImageTrust(std::span<const uint8_t> image) {
  return VerifyAuthenticode(image, TrustStores::FromSystem());
}

}  // namespace platform::trust
