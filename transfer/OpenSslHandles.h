#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <memory>
#include <string>

// Owners of the OpenSSL objects the transfer subsystem uses. Every handle is
// released by its deleter, whatever path a function leaves by.
namespace transfer::ossl {

struct MdCtxFree {
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
};
struct MacFree {
  void operator()(EVP_MAC* p) const { EVP_MAC_free(p); }
};
struct MacCtxFree {
  void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); }
};
struct EncodeCtxFree {
  void operator()(EVP_ENCODE_CTX* p) const { EVP_ENCODE_CTX_free(p); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct BioFree {
  void operator()(BIO* p) const { BIO_free(p); }
};

using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using Mac = std::unique_ptr<EVP_MAC, MacFree>;
using MacCtx = std::unique_ptr<EVP_MAC_CTX, MacCtxFree>;
using EncodeCtx = std::unique_ptr<EVP_ENCODE_CTX, EncodeCtxFree>;
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using Bio = std::unique_ptr<BIO, BioFree>;

// The digest for algorithm codes 1-5 (and 6-10, by code - 5); nullptr for
// any other code.
const EVP_MD* DigestForCode(int code);

// Takes the oldest error off the calling thread's OpenSSL error queue and
// clears the rest, so that one failure never colours the next call. Empty
// when the queue held nothing.
std::string TakeErrorText();

}  // namespace transfer::ossl
