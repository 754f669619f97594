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

struct TrustedTestRoot::State {
  HCERTSTORE store = nullptr;
  PCCERT_CONTEXT added = nullptr;
};

TrustedTestRoot::TrustedTestRoot() : m_state(std::make_unique<State>()) {
  m_state->store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  if (m_state->store == nullptr) throw std::runtime_error("cannot open the ROOT store");
  const std::vector<BYTE> der = RootDer();
  if (!::CertAddEncodedCertificateToStore(m_state->store, X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                          &m_state->added)) {
    ::CertCloseStore(m_state->store, 0);
    throw std::runtime_error("cannot add the test root to the ROOT store");
  }
}

TrustedTestRoot::~TrustedTestRoot() {
  if (m_state->added != nullptr) ::CertDeleteCertificateFromStore(m_state->added);  // frees the context too
  ::CertCloseStore(m_state->store, 0);
}
