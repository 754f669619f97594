#include "tools/publish/ProgramSigner.h"

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <climits>
#include <memory>
#include <span>
#include <vector>

#include "platform/trust/AuthenticodeLayout.h"
#include "transfer/OpenSslHandles.h"

namespace {

struct X509Free {
  void operator()(X509* p) const { X509_free(p); }
};
struct CmsFree {
  void operator()(CMS_ContentInfo* p) const { CMS_ContentInfo_free(p); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, CmsFree>;

transfer::ossl::Bio MemoryBio(const std::string& text) {
  return transfer::ossl::Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

std::vector<X509Ptr> ReadCertificates(const std::string& pem) {
  std::vector<X509Ptr> certs;
  transfer::ossl::Bio bio = MemoryBio(pem);
  while (bio) {
    X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    if (cert == nullptr) break;
    certs.emplace_back(cert);
  }
  ERR_clear_error();  // the end of the text reads as an error
  return certs;
}

// The wizard refuses a signer whose certificate restricts its usage to
// something other than code signing, or its key to other than signatures.
bool AllowsCodeSigning(X509* cert) {
  const uint32_t flags = X509_get_extension_flags(cert);
  if ((flags & EXFLAG_XKUSAGE) != 0 && (X509_get_extended_key_usage(cert) & (XKU_CODE_SIGN | XKU_ANYEKU)) == 0) {
    return false;
  }
  return (flags & EXFLAG_KUSAGE) == 0 || (X509_get_key_usage(cert) & KU_DIGITAL_SIGNATURE) != 0;
}

// The program part of the input: all of it, or what precedes the signature
// of a program signed before.
std::optional<std::string> ProgramPart(const std::string& input, std::string& why) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  if (!platform::trust::IsElfImage(bytes)) {
    why = "is not an ELF program";
    return std::nullopt;
  }
  const platform::trust::SignatureLayout layout = platform::trust::FindSignatureLayout(bytes);
  switch (layout.status) {
    case platform::trust::LayoutStatus::kUnsigned:
      return input;
    case platform::trust::LayoutStatus::kSigned:
      return input.substr(0, layout.digestRanges.front().size());
    case platform::trust::LayoutStatus::kMalformed:
      break;
  }
  why = "ends in a damaged signature; sign the program as it was built";
  return std::nullopt;
}

}  // namespace

std::optional<ProgramSignResult> SignProgram(const ProgramSignRequest& request, std::string& why) {
  const EVP_MD* md = request.digest == "sha256" ? EVP_sha256() : request.digest == "sha512" ? EVP_sha512() : nullptr;
  if (md == nullptr) {
    why = "the digest must be sha256 or sha512";
    return std::nullopt;
  }
  std::optional<std::string> program = ProgramPart(request.program, why);
  if (!program) return std::nullopt;
  if (program->size() > static_cast<size_t>(INT_MAX)) {
    why = "is too large to sign";
    return std::nullopt;
  }

  transfer::ossl::Bio keyBio = MemoryBio(request.keyPem);
  transfer::ossl::Pkey key(keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr) : nullptr);
  std::vector<X509Ptr> certs = ReadCertificates(request.certPem);
  std::vector<X509Ptr> chain = ReadCertificates(request.chainPem);
  const char* refused = nullptr;
  if (!key) {
    refused = "the key is no private key in PEM form";
  } else if (certs.empty()) {
    refused = "the certificate is none in PEM form";
  } else if (X509_check_private_key(certs.front().get(), key.get()) != 1) {
    refused = "the key does not belong to the certificate";
  } else if (!AllowsCodeSigning(certs.front().get())) {
    refused = "the certificate is not one for code signing";
  } else if (!request.chainPem.empty() && chain.empty()) {
    refused = "the chain holds no certificate in PEM form";
  }
  if (refused != nullptr) {
    ERR_clear_error();
    why = refused;
    return std::nullopt;
  }

  // Binary: the program's bytes are signed as they are, with no line-end
  // translation. Detached: the program is not copied into the signature.
  constexpr unsigned kFlags = CMS_BINARY | CMS_DETACHED | CMS_NOSMIMECAP;
  CmsPtr cms(CMS_sign(nullptr, nullptr, nullptr, nullptr, kFlags | CMS_PARTIAL));
  bool made = cms && CMS_add1_signer(cms.get(), certs.front().get(), key.get(), md, kFlags) != nullptr;
  // The signer's own certificate travels with it; a chain file may repeat it.
  for (size_t i = 0; made && i < chain.size(); ++i) {
    if (X509_cmp(chain[i].get(), certs.front().get()) == 0) continue;
    made = CMS_add1_cert(cms.get(), chain[i].get()) == 1;
  }
  transfer::ossl::Bio content = MemoryBio(*program);
  made = made && content && CMS_final(cms.get(), content.get(), nullptr, kFlags) == 1;
  const int length = made ? i2d_CMS_ContentInfo(cms.get(), nullptr) : 0;
  if (length <= 0) {
    why = "OpenSSL could not make the signature (" + transfer::ossl::TakeErrorText() + ")";
    return std::nullopt;
  }
  std::string der(static_cast<size_t>(length), '\0');
  unsigned char* out = reinterpret_cast<unsigned char*>(der.data());
  i2d_CMS_ContentInfo(cms.get(), &out);

  ProgramSignResult result;
  result.programSize = program->size();
  result.signatureSize = der.size();
  const std::vector<uint8_t> trailer = platform::trust::MakeElfSignatureTrailer(static_cast<uint32_t>(der.size()));
  result.signedProgram = std::move(*program) + der + std::string(trailer.begin(), trailer.end());
  return result;
}
