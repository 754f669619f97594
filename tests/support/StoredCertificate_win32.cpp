#include "tests/support/StoredCertificate_win32.h"

#include "platform/fs/FileSystem.h"

StoredCertificate::StoredCertificate(const wchar_t* storeName, const std::string& pemPath)
    : m_store(CertOpenSystemStoreW(0, storeName)) {
  auto bytes = platform::fs::ReadFileBytes(pemPath);
  if (!bytes) return;
  const std::string pem(bytes->begin(), bytes->end());
  DWORD size = 0;
  if (!m_store || !CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    return;
  }
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                            nullptr, nullptr)) {
    return;
  }
  CertAddEncodedCertificateToStore(m_store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), size,
                                   CERT_STORE_ADD_REPLACE_EXISTING, &m_cert);
  Commit();
}

StoredCertificate::~StoredCertificate() {
  // Deleting frees the context too.
  if (m_cert != nullptr && CertDeleteCertificateFromStore(m_cert)) Commit();
}

void StoredCertificate::Commit() { CertControlStore(m_store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr); }
