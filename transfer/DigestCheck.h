#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/fs/FileOperations.h"
#include "transfer/MessageDigest.h"

// Lets a copy replace its target only when the bytes it moved have the
// expected digest text (base64 of SHA-512, as SECURE_DATA carries it), so
// that what is installed is exactly what matched, even when the source file
// changed after an earlier check.
class CDigestCheck : public platform::fs::CopyCheck {
 public:
  explicit CDigestCheck(std::string strExpected);

  void Update(std::span<const uint8_t> bytes) override;
  // True when every step of the digest worked and its text equals the
  // expected text exactly.
  bool Accept() override;

  // The digest text of the bytes seen, after Accept; empty when the digest
  // failed.
  const std::string& DigestText() const { return m_strDigestText; }

 private:
  std::string m_strExpected;
  std::string m_strDigestText;
  MessageDigest m_digest;
  bool m_bFailed = false;
};
