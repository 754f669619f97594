#include "transfer/CodeSign.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "tests/transfer/CodeSignVerdicts.h"

// The code-sign check over WinTrust, on the fixtures the Linux suite checks
// with OpenSSL, with the test CA in the Wine prefix's ROOT store and the
// distrusted certificate of a case in its Disallowed store.
namespace {

struct StoreCloser {
  void operator()(void* store) const { CertCloseStore(static_cast<HCERTSTORE>(store), 0); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;

// The fixtures are made on the build machine; Wine shows its root as Z:.
std::string FixturePath(const std::string& name) {
  std::string path = "Z:" + std::string(VAMO_AUTHENTICODE_FIXTURES) + "/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string ReadText(const std::string& path) {
  auto bytes = platform::fs::ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// One certificate of a fixture PEM file in one of the current user's
// system stores, for as long as the object lives.
class StoredCertificate {
 public:
  StoredCertificate(const wchar_t* storeName, const std::string& pemFile)
      : m_store(CertOpenSystemStoreW(0, storeName)) {
    const std::string pem = ReadText(FixturePath(pemFile));
    DWORD size = 0;
    if (!m_store || !CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
      return;
    }
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                              nullptr, nullptr)) {
      return;
    }
    CertAddEncodedCertificateToStore(m_store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                     size, CERT_STORE_ADD_REPLACE_EXISTING, &m_cert);
    Commit();
  }
  ~StoredCertificate() {
    // Deleting frees the context too.
    if (m_cert != nullptr && CertDeleteCertificateFromStore(m_cert)) Commit();
  }
  StoredCertificate(const StoredCertificate&) = delete;
  StoredCertificate& operator=(const StoredCertificate&) = delete;

  bool Stored() const { return m_cert != nullptr; }

 private:
  // Wine keeps a system store's changes in the handle until it is committed
  // or closed; the verifier opens stores of its own and reads the registry.
  void Commit() { CertControlStore(m_store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr); }

  StoreHandle m_store;
  PCCERT_CONTEXT m_cert = nullptr;
};

class CodeSignWinTrust : public ::testing::TestWithParam<CodeSignVerdict> {
 protected:
  // Windows would ask the user before a root enters the current user's
  // store; Wine does not ask, and the suite's prefix is its own. Wine's
  // chain engine reads the roots once per process, at the first chain it
  // builds, so the root stays for the whole suite.
  static void SetUpTestSuite() { s_root = std::make_unique<StoredCertificate>(L"ROOT", "pki/ca.pem"); }
  static void TearDownTestSuite() { s_root.reset(); }
  void SetUp() override { ASSERT_TRUE(s_root && s_root->Stored()); }

  static std::unique_ptr<StoredCertificate> s_root;
};
std::unique_ptr<StoredCertificate> CodeSignWinTrust::s_root;

TEST_P(CodeSignWinTrust, GivesTheVerdictOfTheLinuxVerifier) {
  const CodeSignVerdict& c = GetParam();
  std::unique_ptr<StoredCertificate> distrusted;
  if (c.distrust) {
    distrusted = std::make_unique<StoredCertificate>(L"Disallowed", c.distrust);
    ASSERT_TRUE(distrusted->Stored());
  }
  const std::string path = FixturePath(c.file);
  const CodeSignOutcome outcome = CheckCodeSign(path);
  EXPECT_EQ(outcome.nResult, c.result);
  EXPECT_EQ(outcome.strMessage, c.result == 0 ? std::string() : CodeSignMessageFor(c, path));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CodeSignWinTrust, ::testing::ValuesIn(PortableCodeSignVerdicts()),
                         [](const auto& info) { return CodeSignVerdictName(info.param); });

// The bytes in hand are what is judged, not what the path names by now.
TEST_F(CodeSignWinTrust, ImageIsCheckedNotThePath) {
  const auto Bytes = [](const char* name) {
    auto bytes = platform::fs::ReadFileBytes(FixturePath(name));
    return bytes ? *bytes : std::vector<uint8_t>();
  };
  const std::string unsignedPath = FixturePath("app64.exe");
  const std::vector<uint8_t> signedImage = Bytes("app64-signed.exe");
  ASSERT_FALSE(signedImage.empty());
  EXPECT_EQ(CheckCodeSign(signedImage, unsignedPath).nResult, 0);

  const std::vector<uint8_t> tampered = Bytes("app64-code-byte.exe");
  const CodeSignOutcome outcome = CheckCodeSign(tampered, FixturePath("app64-signed.exe"));
  EXPECT_EQ(outcome.nResult, -1);
  EXPECT_EQ(outcome.strMessage, "Error is: 0x80096010.\n");

  const std::vector<uint8_t> cabinet = Bytes("signed.cab");
  EXPECT_EQ(CheckCodeSign(cabinet, unsignedPath).nResult, 0);
  EXPECT_EQ(CheckCodeSign(std::span<const uint8_t>(), unsignedPath).strMessage,
            "The file \"" + unsignedPath + "\" is not signed.\n");
}

}  // namespace
