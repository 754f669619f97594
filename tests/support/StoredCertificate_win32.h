#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <vector>

// The DER bytes of the first certificate of a PEM file (a Windows path);
// empty when the file cannot be read or holds none.
std::vector<BYTE> ReadPemCertificate(const std::string& pemPath);

// One certificate of a PEM file (a Windows path) in one of the current
// user's system stores ("ROOT", "Disallowed"), for as long as the object
// lives. Windows would ask the user before a root enters the current user's
// store; Wine does not ask, and each suite runs in a Wine prefix of its own.
class StoredCertificate {
 public:
  StoredCertificate(const wchar_t* storeName, const std::string& pemPath);
  ~StoredCertificate();
  StoredCertificate(const StoredCertificate&) = delete;
  StoredCertificate& operator=(const StoredCertificate&) = delete;

  bool Stored() const { return m_cert != nullptr; }

 private:
  struct StoreCloser {
    void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
  };
  // Wine keeps a system store's changes in the handle until it is committed
  // or closed; the verifier opens stores of its own and reads the registry.
  void Commit();

  std::unique_ptr<void, StoreCloser> m_store;
  PCCERT_CONTEXT m_cert = nullptr;
};
