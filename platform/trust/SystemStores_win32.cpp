#include "platform/trust/SystemStores.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

namespace platform::trust {

namespace {

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;

}  // namespace

// The current user's view of the store, as CertOpenSystemStoreW gives it:
// the user's own certificates and the machine's.
std::vector<std::vector<uint8_t>> ReadSystemStoreCertificates(SystemStore store) {
  std::vector<std::vector<uint8_t>> certificates;
  StoreHandle handle(CertOpenSystemStoreW(0, store == SystemStore::kRoot ? L"ROOT" : L"Disallowed"));
  if (!handle) return certificates;
  // CertEnumCertificatesInStore frees the context it is handed and returns
  // the next one; the last call returns null and frees the last.
  for (PCCERT_CONTEXT cert = CertEnumCertificatesInStore(handle.get(), nullptr); cert != nullptr;
       cert = CertEnumCertificatesInStore(handle.get(), cert)) {
    if ((cert->dwCertEncodingType & X509_ASN_ENCODING) != 0 && cert->cbCertEncoded > 0) {
      certificates.emplace_back(cert->pbCertEncoded, cert->pbCertEncoded + cert->cbCertEncoded);
    }
  }
  return certificates;
}

}  // namespace platform::trust
