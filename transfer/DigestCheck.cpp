#include "transfer/DigestCheck.h"

#include "transfer/FileVerify.h"
#include "transfer/TransferCodes.h"

CDigestCheck::CDigestCheck(std::string strExpected) : m_strExpected(std::move(strExpected)) {
  m_digest.SetAlgorithm(kAlgSha512);
  m_bFailed = m_digest.Init() != 0;
}

void CDigestCheck::Update(std::span<const uint8_t> bytes) {
  if (!m_bFailed && m_digest.Update(bytes.data(), bytes.size()) != 0) m_bFailed = true;
}

bool CDigestCheck::Accept() {
  m_strDigestText.clear();
  if (m_bFailed || m_digest.Final() != 0) return false;
  m_strDigestText = ::DigestText(m_digest);
  return m_strDigestText == m_strExpected;
}
