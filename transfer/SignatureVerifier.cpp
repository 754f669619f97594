#include "transfer/SignatureVerifier.h"

#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstring>

#include "transfer/TransferCodes.h"

SignatureVerifier::SignatureVerifier() : m_digestContext(EVP_MD_CTX_new()) {}

SignatureVerifier::~SignatureVerifier() { Reset(); }

void SignatureVerifier::SetSignature(const uint8_t* bytes, uint32_t length) {
  if (bytes == nullptr) return;
  m_signature.reset(new uint8_t[length == 0 ? 1 : length]);
  std::memcpy(m_signature.get(), bytes, length);
  m_nSignatureLength = length;
}

void SignatureVerifier::SetPublicKey(const char* text, uint32_t length) {
  m_publicKey.reset();
  m_nPublicKeyLength = 0;
  if (text == nullptr) return;
  m_publicKey.reset(new char[length == 0 ? 1 : length]);
  std::memcpy(m_publicKey.get(), text, length);
  m_nPublicKeyLength = length;
}

void SignatureVerifier::Reset() {
  m_signature.reset();
  m_nSignatureLength = 0;
  m_publicKey.reset();
  m_nPublicKeyLength = 0;
}

int SignatureVerifier::Fail(int code) {
  m_strLastError = transfer::ossl::TakeErrorText();
  return code;
}

int SignatureVerifier::VerifyInit(int code) {
  m_bRunning = false;
  m_pDigest = nullptr;
  if (!m_digestContext) return Fail(kErrVerifyInit);
  EVP_MD_CTX_reset(m_digestContext.get());
  if (code == 0) return kErrVerifyNoAlgorithm;
  if (code < kAlgMd5 || code > kAlgSha512) return kErrVerifyInit;
  const EVP_MD* digest = transfer::ossl::DigestForCode(code);
  if (digest == nullptr || EVP_DigestInit_ex(m_digestContext.get(), digest, nullptr) != 1) {
    return Fail(kErrVerifyInit);
  }
  m_pDigest = digest;
  m_bRunning = true;
  return 0;
}

int SignatureVerifier::VerifyUpdate(const void* bytes, size_t length) {
  if (!m_bRunning) return kErrVerifyMismatch;
  if (length == 0) return 0;
  if (bytes == nullptr || EVP_DigestUpdate(m_digestContext.get(), bytes, length) != 1) {
    m_bRunning = false;
    return Fail(kErrVerifyMismatch);
  }
  return 0;
}

int SignatureVerifier::VerifyFinal() {
  // The key is read first: a missing key is its own answer even when the
  // calls came out of order.
  transfer::ossl::Pkey key;
  if (m_publicKey && m_nPublicKeyLength != 0 && m_nPublicKeyLength <= INT32_MAX) {
    transfer::ossl::Bio bio(BIO_new_mem_buf(m_publicKey.get(), static_cast<int>(m_nPublicKeyLength)));
    if (bio) key.reset(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
  }
  // Only RSA keys are meant here; any other key type would verify a
  // different kind of signature, which the update list never carries.
  if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) {
    m_bRunning = false;
    EVP_MD_CTX_reset(m_digestContext.get());
    return Fail(kErrVerifyPublicKey);
  }
  if (!m_bRunning || !m_signature) {
    m_bRunning = false;
    return kErrVerifyMismatch;
  }
  m_bRunning = false;

  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  int ok = EVP_DigestFinal_ex(m_digestContext.get(), digest, &digestLength);
  EVP_MD_CTX_reset(m_digestContext.get());
  if (ok != 1) return Fail(kErrVerifyMismatch);

  // The verify step compares the whole PKCS #1 v1.5 block, DigestInfo of
  // the chosen digest included, so a signature over another digest or with
  // loose padding does not pass.
  transfer::ossl::PkeyCtx context(EVP_PKEY_CTX_new(key.get(), nullptr));
  if (!context || EVP_PKEY_verify_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_CTX_set_signature_md(context.get(), m_pDigest) != 1) {
    return Fail(kErrVerifyMismatch);
  }
  int verified = EVP_PKEY_verify(context.get(), m_signature.get(), m_nSignatureLength, digest, digestLength);
  if (verified != 1) return Fail(kErrVerifyMismatch);
  return 0;
}
