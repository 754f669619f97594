#include "tests/support/StoredCertificate_win32.h"

#include "platform/fs/FileSystem.h"

std::vector<BYTE> ReadPemCertificate(const std::string& pemPath) {
  auto bytes = platform::fs::ReadFileBytes(pemPath);
  if (!bytes) return {};
  const std::string pem(bytes->begin(), bytes->end());
  DWORD size = 0;
  if (pem.empty() || !CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    return {};
  }
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr)) return {};
  der.resize(size);
  return der;
}

StoredCertificate::StoredCertificate(const wchar_t* storeName, const std::string& pemPath)
    : m_store(CertOpenSystemStoreW(0, storeName)) {
  const std::vector<BYTE> der = ReadPemCertificate(pemPath);
  if (!m_store || der.empty()) return;
  CertAddEncodedCertificateToStore(m_store.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                   CERT_STORE_ADD_REPLACE_EXISTING, &m_cert);
  Commit();
}

StoredCertificate::~StoredCertificate() {
  // Deleting frees the context too.
  if (m_cert != nullptr && CertDeleteCertificateFromStore(m_cert)) Commit();
}

void StoredCertificate::Commit() { CertControlStore(m_store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr); }
