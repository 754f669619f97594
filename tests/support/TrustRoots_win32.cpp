// trust-roots.exe CERT.pem...: adds each certificate to the current user's
// ROOT store, as a machine's administrator trusts a CA. The lab's servers
// and the demo publisher sign with CAs of their own; WinINet and WinTrust
// verify only against the system's stores, so a Wine prefix that runs the
// wizard in the lab needs them there first.
//
// Exit status 0 when every certificate was added (or was already there),
// 1 at the first that was not, with the reason on standard error.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The DER bytes of the file's first PEM certificate; empty when it has none.
std::vector<BYTE> ReadPemCertificate(const char* path) {
  std::ifstream file(path, std::ios::binary);
  const std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  DWORD size = 0;
  if (pem.empty() || !::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                                             nullptr)) {
    return {};
  }
  std::vector<BYTE> der(size);
  if (!::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr)) {
    return {};
  }
  der.resize(size);
  return der;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: trust-roots CERT.pem...\n");
    return 2;
  }
  HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
  if (store == nullptr) {
    std::fprintf(stderr, "trust-roots: cannot open the ROOT store (error %lu)\n", ::GetLastError());
    return 1;
  }
  int status = 0;
  for (int i = 1; i < argc && status == 0; ++i) {
    const std::vector<BYTE> der = ReadPemCertificate(argv[i]);
    if (der.empty()) {
      std::fprintf(stderr, "trust-roots: %s holds no PEM certificate\n", argv[i]);
      status = 1;
    } else if (!::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                   static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                   nullptr)) {
      std::fprintf(stderr, "trust-roots: %s was not added (error %lu)\n", argv[i], ::GetLastError());
      status = 1;
    }
  }
  // Wine keeps a system store's changes in the handle until they are
  // committed; a later process would not see them otherwise.
  if (status == 0 && !::CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
    std::fprintf(stderr, "trust-roots: the ROOT store was not saved (error %lu)\n", ::GetLastError());
    status = 1;
  }
  ::CertCloseStore(store, 0);
  return status;
}
