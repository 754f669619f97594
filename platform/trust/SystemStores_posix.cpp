#include "platform/trust/SystemStores.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <climits>
#include <memory>

#include "platform/sim/Prefix.h"

namespace platform::trust {

namespace {

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
  void operator()(X509* cert) const { X509_free(cert); }
};

// Every PEM certificate of one file, as DER.
void AppendPemCertificates(const std::vector<uint8_t>& file, std::vector<std::vector<uint8_t>>& out) {
  if (file.empty() || file.size() > static_cast<size_t>(INT_MAX)) return;
  std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(file.data(), static_cast<int>(file.size())));
  if (!bio) return;
  while (X509* read = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    std::unique_ptr<X509, X509Free> cert(read);
    const int length = i2d_X509(cert.get(), nullptr);
    if (length <= 0) continue;
    std::vector<uint8_t> der(static_cast<size_t>(length));
    unsigned char* cursor = der.data();
    if (i2d_X509(cert.get(), &cursor) == length) out.push_back(std::move(der));
  }
  // The end of every PEM file leaves a "no start line" error behind.
  ERR_clear_error();
}

}  // namespace

// The stores are the prefix's certs/root/ and certs/disallowed/ folders of
// PEM files, read in the order of the files' names.
std::vector<std::vector<uint8_t>> ReadSystemStoreCertificates(SystemStore store) {
  std::vector<std::vector<uint8_t>> certificates;
  for (const std::vector<uint8_t>& file : ReadPrefixCertificateFiles(store == SystemStore::kRoot ? "root" : "disallowed")) {
    AppendPemCertificates(file, certificates);
  }
  return certificates;
}

}  // namespace platform::trust
