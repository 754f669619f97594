#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "transfer/OpenSslHandles.h"

// Checks an RSA PKCS #1 v1.5 signature over a byte stream with a public key
// given as PEM text (a "PUBLIC KEY" block): SetSignature / SetPublicKey,
// VerifyInit(code), any number of VerifyUpdate, VerifyFinal. The setters may
// come before or after VerifyInit; the key is read at VerifyFinal.
//
// Codes: VerifyInit -9207 (code 0) or -9208 (other unknown code, or the
// digest did not start); VerifyUpdate -9209; VerifyFinal 0 on a match,
// -9209 when the signature does not match (or the calls came out of order),
// -9210 when no RSA public key can be read from the key text. Never throws.
class SignatureVerifier {
 public:
  SignatureVerifier();
  virtual ~SignatureVerifier();
  SignatureVerifier(const SignatureVerifier&) = delete;
  SignatureVerifier& operator=(const SignatureVerifier&) = delete;

  // The raw signature bytes (base64 already decoded). A null pointer is
  // ignored and the previous signature stays.
  void SetSignature(const uint8_t* bytes, uint32_t length);
  // The PEM text without its terminating NUL; it need not end in one.
  void SetPublicKey(const char* text, uint32_t length);

  int VerifyInit(int code);
  int VerifyUpdate(const void* bytes, size_t length);
  int VerifyFinal();

  // Releases both buffers and sets their lengths to 0.
  void Reset();

  // The library's text for the last failure, for developers only.
  const std::string& LastLibraryError() const { return m_strLastError; }

 private:
  int Fail(int code);

  std::unique_ptr<uint8_t[]> m_signature;
  uint32_t m_nSignatureLength = 0;
  std::unique_ptr<char[]> m_publicKey;
  uint32_t m_nPublicKeyLength = 0;
  transfer::ossl::MdCtx m_digestContext;
  const EVP_MD* m_pDigest = nullptr;
  bool m_bRunning = false;
  std::string m_strLastError;
};
