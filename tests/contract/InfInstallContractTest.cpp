#include "platform/setup/InfInstall.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs/FileSystem.h"
#include "platform/registry/Registry.h"
#include "tests/support/ScratchSpace.h"

// An INF's default installation as the cabinet installer hands it over: on
// Windows advpack carries it out, on Linux our interpreter; files, registry
// values and the HRESULT come out the same.
namespace {

using platform::setup::RunDefaultInstall;

bool Failed(uint32_t hresult) { return (hresult & 0x80000000u) != 0; }

std::string ReadText(const std::string& path) {
  auto bytes = platform::fs::ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>");
}

class InfInstallContract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(platform::fs::CreateDirectoryPath(Source()), platform::kErrorSuccess);
    ASSERT_EQ(platform::fs::WriteFileAtomic(Source() + "\\payload.txt", "copied by the INF\r\n"),
              platform::kErrorSuccess);
  }
  // The folder the INF and its files sit in, as a cabinet's extraction folder.
  std::string Source() const { return m_scratch.PathOf("source"); }
  std::string Target() const { return m_scratch.PathOf("target"); }
  std::string WriteInf(const std::string& text) {
    const std::string path = Source() + "\\setup.inf";
    EXPECT_EQ(platform::fs::WriteFileAtomic(path, text), platform::kErrorSuccess);
    return path;
  }
  std::string Key() const { return m_scratch.RegistryKey() + "\\Inf"; }

  ScratchSpace m_scratch;
};

TEST_F(InfInstallContract, DefaultInstallCopiesFilesAndWritesTheRegistry) {
  const std::string inf = WriteInf(
      "[Version]\r\nSignature=\"$CHICAGO$\"\r\nAdvancedINF=2.0\r\n\r\n"
      "[DefaultInstall]\r\nCopyFiles=Payload.Files\r\nAddReg=Payload.AddReg\r\n\r\n"
      "[DestinationDirs]\r\nPayload.Files=-1,\"" + Target() + "\"\r\n\r\n"
      "[Payload.Files]\r\npayload.txt\r\n\r\n"
      "[Payload.AddReg]\r\nHKCU,\"" + Key() + "\",\"Version\",,\"1,0,1,7\"\r\n"
      "HKCU,\"" + Key() + "\",\"Count\",0x10001,42\r\n");
  const platform::setup::InfInstallResult result = RunDefaultInstall(inf, Source() + "\\");
  EXPECT_EQ(result.hresult, platform::setup::kInfResultOk);
  EXPECT_TRUE(result.skipped.empty()) << result.skipped.front();
  EXPECT_EQ(ReadText(Target() + "\\payload.txt"), "copied by the INF\r\n");
  platform::RegKey key;
  ASSERT_EQ(key.Open(platform::RegRoot::kCurrentUser, Key()), platform::kErrorSuccess);
  EXPECT_EQ(key.ReadString("Version").value_or("?"), "1,0,1,7");
  EXPECT_EQ(key.ReadDword("Count").value_or(0), 42u);
}

// A missing INF is a failure the caller can see, never a success. An INF
// without [DefaultInstall] installs nothing; what it returns differs (Wine's
// advpack S_OK, our interpreter E_FAIL) and the installer examines neither.
TEST_F(InfInstallContract, AMissingInfFailsAndAMissingSectionInstallsNothing) {
  const uint32_t missing = RunDefaultInstall(Source() + "\\none.inf", Source() + "\\").hresult;
  EXPECT_TRUE(Failed(missing)) << std::hex << "0x" << missing;
  const std::string inf = WriteInf("[Version]\r\nSignature=\"$CHICAGO$\"\r\n\r\n[Other]\r\nCopyFiles=Payload.Files\r\n\r\n"
                                   "[DestinationDirs]\r\nPayload.Files=-1,\"" + Target() + "\"\r\n\r\n"
                                   "[Payload.Files]\r\npayload.txt\r\n");
  RunDefaultInstall(inf, Source() + "\\");
  EXPECT_FALSE(platform::fs::FileExists(Target() + "\\payload.txt"));
}

}  // namespace
