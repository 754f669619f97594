#include "transfer/MessageDigest.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/params.h>

#include <cstring>

#include "transfer/TransferCodes.h"

namespace {

// The plain digest must never hand one call more than the library's int
// length can hold.
constexpr size_t kMaxChunk = size_t{1} << 30;

}  // namespace

MessageDigest::MessageDigest() : m_digestContext(EVP_MD_CTX_new()) {}

MessageDigest::~MessageDigest() { OPENSSL_cleanse(m_key.data(), m_key.size()); }

void MessageDigest::SetAlgorithm(int code) {
  m_nAlgorithm = code;
  m_pDigest = (code >= kAlgMd5 && code <= kAlgHmacSha512) ? transfer::ossl::DigestForCode(code)
                                                           : nullptr;
}

bool MessageDigest::SetKey(const uint8_t* key, size_t length) {
  if (length > kMaxKey || (key == nullptr && length != 0)) return false;
  m_key.fill(0);
  if (length != 0) std::memcpy(m_key.data(), key, length);
  m_nKeyLength = static_cast<int>(length);
  return true;
}

int MessageDigest::Fail(int code) {
  m_strLastError = transfer::ossl::TakeErrorText();
  m_bRunning = false;
  m_result.fill(0);
  m_nResultLength = 0;
  if (m_digestContext) EVP_MD_CTX_reset(m_digestContext.get());
  m_macContext.reset();
  return code;
}

int MessageDigest::Init() {
  m_result.fill(0);
  m_nResultLength = 0;
  m_bRunning = false;
  m_bPlain = m_nAlgorithm < kAlgHmacMd5;
  if (m_pDigest == nullptr || !m_digestContext) return Fail(kErrDigestInit);

  if (m_bPlain) {
    if (EVP_DigestInit_ex(m_digestContext.get(), m_pDigest, nullptr) != 1) return Fail(kErrDigestInit);
  } else {
    transfer::ossl::Mac mac(EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr));
    if (!mac) return Fail(kErrDigestInit);
    m_macContext.reset(EVP_MAC_CTX_new(mac.get()));
    if (!m_macContext) return Fail(kErrDigestInit);
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST,
                                         const_cast<char*>(EVP_MD_get0_name(m_pDigest)), 0),
        OSSL_PARAM_construct_end()};
    if (EVP_MAC_init(m_macContext.get(), m_key.data(), static_cast<size_t>(m_nKeyLength), params) != 1) {
      return Fail(kErrDigestInit);
    }
  }
  m_bRunning = true;
  return 0;
}

int MessageDigest::Update(const void* bytes, size_t length) {
  if (!m_bRunning) return Fail(kErrDigestUpdate);
  if (length == 0) return 0;
  if (bytes == nullptr) return Fail(kErrDigestUpdate);
  const auto* data = static_cast<const uint8_t*>(bytes);
  while (length > 0) {
    size_t chunk = length < kMaxChunk ? length : kMaxChunk;
    int ok = m_bPlain ? EVP_DigestUpdate(m_digestContext.get(), data, chunk)
                      : EVP_MAC_update(m_macContext.get(), data, chunk);
    if (ok != 1) return Fail(kErrDigestUpdate);
    data += chunk;
    length -= chunk;
  }
  return 0;
}

int MessageDigest::Final() {
  if (!m_bRunning) return Fail(kErrDigestFinal);
  if (m_bPlain) {
    unsigned int length = 0;
    int ok = EVP_DigestFinal_ex(m_digestContext.get(), m_result.data(), &length);
    EVP_MD_CTX_reset(m_digestContext.get());
    m_bRunning = false;
    if (ok != 1) return Fail(kErrDigestFinal);
    m_nResultLength = length;
  } else {
    size_t length = 0;
    int ok = EVP_MAC_final(m_macContext.get(), m_result.data(), &length, m_result.size());
    m_macContext.reset();
    m_bRunning = false;
    if (ok != 1) return Fail(kErrDigestFinal);
    m_nResultLength = static_cast<uint32_t>(length);
  }
  return 0;
}

int MessageDigest::CopyResult(uint8_t* destination) const {
  std::memset(destination, 0, m_nResultLength);
  std::memcpy(destination, m_result.data(), m_nResultLength);
  return 0;
}
