#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/http/HttpLab.h"

namespace {

HttpLab ReadLab() {
  std::ifstream ports(std::string(VAMO_HTTP_LAB_STATE) + "/ports");
  if (!ports) throw std::runtime_error("no HTTP lab: its state folder has no ports (CTest starts it)");
  return ParseHttpLab(ports, "Z:");
}

std::vector<BYTE> RootDer() {
  std::ifstream file(std::string(VAMO_HTTP_PKI_DIR) + "/ca.pem", std::ios::binary);
  std::string pem((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  DWORD size = 0;
  if (!::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    throw std::runtime_error("the test root is no PEM certificate");
  }
  std::vector<BYTE> der(size);
  ::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
  return der;
}

}  // namespace

const HttpLab& SharedHttpLab() {
  static const HttpLab lab = ReadLab();
  return lab;
}

// Added once and left there: the suite's system is its own (a Wine prefix
// made for the run and thrown away after), and under Wine 8 a root deleted
// from the store and added again is no longer found by the chain engine of a
// later connection.
void AddTestRootOnce() {
  static const bool added = [] {
    HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
    if (store == nullptr) throw std::runtime_error("cannot open the ROOT store");
    const std::vector<BYTE> der = RootDer();
    const BOOL ok = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                       static_cast<DWORD>(der.size()),
                                                       CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    ::CertCloseStore(store, 0);
    if (!ok) throw std::runtime_error("cannot add the test root to the ROOT store");
    return true;
  }();
  (void)added;
}

struct TrustedTestRoot::State {};

TrustedTestRoot::TrustedTestRoot() : m_state(std::make_unique<State>()) { AddTestRootOnce(); }

TrustedTestRoot::~TrustedTestRoot() = default;
