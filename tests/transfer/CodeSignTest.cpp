#include "transfer/CodeSign.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/fs/FileSystem.h"
#include "platform/sim/Prefix.h"
#include "platform/trust/Authenticode.h"
#include "system/SetupFolders.h"
#include "system/Utility.h"
#include "tests/data/authenticode/Fixtures.h"
#include "tests/support/TempPrefix.h"
#include "tests/support/ToolRunner.h"
#include "tests/transfer/CodeSignVerdicts.h"

namespace {

// A prefix that trusts the test CA, with tracing switched on and the trace
// collected in a log file.
class CodeSignTest : public ::testing::Test {
 protected:
  CodeSignTest() {
    m_strLog = m_logDir.Path() + "/trace.log";
    setenv("VAMO_DEBUG_LOG", m_strLog.c_str(), 1);
    std::filesystem::copy_file(FixtureHostPath("pki/ca.pem"), platform::PrefixCertsFolder("root") + "/test-ca.pem");
    platform::fs::CreateDirectoryPath(CSetupFolders::InstallFolder());
    platform::fs::WriteFileAtomic(CSetupFolders::InstalledVersionFile(), "[GENERAL]\r\nDEBUG=TRACE\r\n");
  }
  ~CodeSignTest() override { unsetenv("VAMO_DEBUG_LOG"); }

  void Distrust(const char* pem) {
    std::filesystem::copy_file(FixtureHostPath(pem), platform::PrefixCertsFolder("disallowed") + "/distrusted.pem");
  }
  std::string Trace() const { return ReadHostFile(m_strLog); }

  TempPrefix m_prefix;
  TempDir m_logDir;
  std::string m_strLog;
};

class CodeSignFixtures : public CodeSignTest, public ::testing::WithParamInterface<CodeSignVerdict> {};

TEST_P(CodeSignFixtures, ReturnsTheResultAndTracesTheMessage) {
  const CodeSignVerdict& c = GetParam();
  if (c.distrust) Distrust(c.distrust);
  const std::string path = FixtureWindowsPath(c.file);
  EXPECT_EQ(FileVerifyCodeSign(path), c.result);
  if (c.result == 0) {
    EXPECT_EQ(Trace(), "");
  } else {
    EXPECT_EQ(Trace(), "[VamoUpdater3] FileVerifyCodeSign() Fail [" + CodeSignMessageFor(c, path) + "]...\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CodeSignFixtures, ::testing::ValuesIn(PortableCodeSignVerdicts()),
                         [](const auto& info) { return CodeSignVerdictName(info.param); });

// This platform's own programs: ELF files with an appended signature.
INSTANTIATE_TEST_SUITE_P(
    ElfPrograms, CodeSignFixtures,
    ::testing::Values(
        CodeSignVerdict{"elf-signed", nullptr, 0, ""}, CodeSignVerdict{"elf-signed-sha512", nullptr, 0, ""},
        CodeSignVerdict{"elf-program", nullptr, -1, "The file \"%s\" is not signed.\n"},
        CodeSignVerdict{"elf-cut", nullptr, -1,
                        "An unknown error occurred trying to verify the signature of the \"%s\" file.\n"},
        CodeSignVerdict{"elf-signed", "pki/signer.pem", -1, "The signature is present, but specifically disallowed.\n"},
        CodeSignVerdict{"elf-code", nullptr, -1, "Error is: 0x80096010.\n"},
        CodeSignVerdict{"elf-untrusted", nullptr, -1, "Error is: 0x800b0109.\n"},
        CodeSignVerdict{"elf-wrong-usage", nullptr, -1, "Error is: 0x800b0110.\n"}),
    [](const auto& info) { return CodeSignVerdictName(info.param); });

// A signed program passes the check and still runs: the loader ignores
// the bytes after the program.
TEST_F(CodeSignTest, SignedProgramPassesAndStillRuns) {
  const std::string folder = m_prefix.DriveC() + "/Program Files/Vamo";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(FixtureHostPath("elf-signed"), folder + "/vamo-helper.exe");
  const std::string program = "C:\\Program Files\\Vamo\\vamo-helper.exe";
  EXPECT_EQ(FileVerifyCodeSign(program), 0);
  const std::string marker = m_logDir.Path() + "/ran.txt";
  EXPECT_EQ(CUtility::ExecuteWait(program, marker), 0);
  EXPECT_EQ(ReadHostFile(marker), "signed program ran\n");
  EXPECT_EQ(Trace().find("Fail"), std::string::npos) << Trace();
}

TEST_F(CodeSignTest, CabinetInstallerFrameNamesItsOwnOperation) {
  const std::string path = FixtureWindowsPath("plain.cab");
  EXPECT_EQ(VerifyCodeSignWithFrame(path, "VerifyCodeSign"), -1);
  EXPECT_EQ(Trace(), "[VamoUpdater3] VerifyCodeSign() Fail [The file \"" + path + "\" is not signed.\n]...\n");
}

TEST_F(CodeSignTest, ToolPrintsTheMessageThenTheResult) {
  const ToolOutput good = RunTool({"codesign", FixtureWindowsPath("signed.cab")});
  EXPECT_EQ(good.exitStatus, 0);
  EXPECT_EQ(good.out, "result: 0\n");

  const std::string path = FixtureWindowsPath("app32.exe");
  const ToolOutput bad = RunTool({"codesign", path});
  EXPECT_EQ(bad.exitStatus, 1);
  EXPECT_EQ(bad.out, "The file \"" + path + "\" is not signed.\nresult: -1\n");

  const ToolOutput program = RunTool({"codesign", FixtureWindowsPath("elf-signed")});
  EXPECT_EQ(program.exitStatus, 0);
  EXPECT_EQ(program.out, "result: 0\n");
  const ToolOutput tampered = RunTool({"codesign", FixtureWindowsPath("elf-sigbyte")});
  EXPECT_EQ(tampered.exitStatus, 1);
  EXPECT_EQ(tampered.out, "Error is: 0x80096010.\nresult: -1\n");
}

struct Message {
  uint32_t result;
  uint32_t lastError;
  const char* text;
};

class CodeSignMessages : public ::testing::TestWithParam<Message> {};

// The verdicts our verifier never produces still have their texts, for
// the day another trust provider stands behind the check.
TEST_P(CodeSignMessages, ClassifiesEveryResult) {
  EXPECT_EQ(CodeSignMessage(GetParam().result, GetParam().lastError, "C:\\x.exe"), GetParam().text);
}

using namespace platform::trust;
INSTANTIATE_TEST_SUITE_P(
    Table, CodeSignMessages,
    ::testing::Values(
        Message{0, 0, ""},
        Message{kTrustENoSignature, kTrustEProviderUnknown, "The file \"C:\\x.exe\" is not signed.\n"},
        Message{kTrustENoSignature, kTrustESubjectFormUnknown, "The file \"C:\\x.exe\" is not signed.\n"},
        Message{kTrustENoSignature, 0,
                "An unknown error occurred trying to verify the signature of the \"C:\\x.exe\" file.\n"},
        Message{kTrustESubjectNotTrusted, kTrustESubjectNotTrusted, "The signature is present, but not trusted.\n"},
        Message{kCryptESecuritySettings, kCryptESecuritySettings,
                "CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly "
                "trusted by the admin and admin policy has disabled user trust. No signature, publisher or "
                "timestamp errors.\n"},
        Message{kCertEChaining, kCertEChaining, "Error is: 0x800b010a.\n"}));

}  // namespace
