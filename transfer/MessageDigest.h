#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "transfer/OpenSslHandles.h"

// Hashes a byte stream: SetAlgorithm, Init, any number of Update, Final, then
// GetLength / CopyResult. Codes 1-5 are the plain digests (5 = SHA-512, the
// one the system uses), 6-10 the keyed hash (HMAC) over the digest of
// code - 5 with the key given to SetKey. A second Init starts over.
//
// Failures are return codes, never exceptions: Init -9401, Update -9402,
// Final -9403 (also when called out of order). After a failure the result
// stays zeroed until the next successful Final.
class MessageDigest {
 public:
  static constexpr size_t kMaxResult = 64;
  static constexpr size_t kMaxKey = 32;

  MessageDigest();
  virtual ~MessageDigest();
  MessageDigest(const MessageDigest&) = delete;
  MessageDigest& operator=(const MessageDigest&) = delete;

  // Records the code; an unknown code makes the next Init fail with -9401.
  void SetAlgorithm(int code);
  // Key of the keyed hash (codes 6-10), at most 32 bytes. Returns false and
  // keeps the previous key when the key is longer or the pointer is null
  // with a non-zero length.
  bool SetKey(const uint8_t* key, size_t length);

  int Init();
  int Update(const void* bytes, size_t length);
  int Final();

  uint32_t GetLength() const { return m_nResultLength; }
  // Zero-fills GetLength() bytes of the destination and copies the result
  // in. Returns 0.
  int CopyResult(uint8_t* destination) const;

  // The library's text for the last failure, for developers only.
  const std::string& LastLibraryError() const { return m_strLastError; }

 private:
  int Fail(int code);

  transfer::ossl::MdCtx m_digestContext;
  transfer::ossl::MacCtx m_macContext;
  const EVP_MD* m_pDigest = nullptr;
  int m_nAlgorithm = 0;
  bool m_bPlain = true;
  bool m_bRunning = false;  // between a successful Init and Final
  std::array<uint8_t, kMaxResult> m_result{};
  uint32_t m_nResultLength = 0;
  std::array<uint8_t, kMaxKey> m_key{};
  int m_nKeyLength = 0;
  std::string m_strLastError;
};
