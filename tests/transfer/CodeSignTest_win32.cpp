#include "transfer/CodeSign.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "tests/support/StoredCertificate_win32.h"
#include "tests/transfer/CodeSignVerdicts.h"

// The code-sign check over WinTrust, on the fixtures the Linux suite checks
// with OpenSSL, with the test CA in the Wine prefix's ROOT store and the
// distrusted certificate of a case in its Disallowed store.
namespace {

// The fixtures are made on the build machine; Wine shows its root as Z:.
std::string FixturePath(const std::string& name) {
  std::string path = "Z:" + std::string(VAMO_AUTHENTICODE_FIXTURES) + "/" + name;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

class CodeSignWinTrust : public ::testing::TestWithParam<CodeSignVerdict> {
 protected:
  // Wine's chain engine reads the roots once per process, at the first chain it
  // builds, so the root stays for the whole suite.
  static void SetUpTestSuite() { s_root = std::make_unique<StoredCertificate>(L"ROOT", FixturePath("pki/ca.pem")); }
  static void TearDownTestSuite() { s_root.reset(); }
  void SetUp() override { ASSERT_TRUE(s_root && s_root->Stored()); }

  static std::unique_ptr<StoredCertificate> s_root;
};
std::unique_ptr<StoredCertificate> CodeSignWinTrust::s_root;

TEST_P(CodeSignWinTrust, GivesTheVerdictOfTheLinuxVerifier) {
  const CodeSignVerdict& c = GetParam();
  std::unique_ptr<StoredCertificate> distrusted;
  if (c.distrust) {
    distrusted = std::make_unique<StoredCertificate>(L"Disallowed", FixturePath(c.distrust));
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
