#include "system/VersionInfo.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/resources/ModuleResources.h"
#include "tests/support/ScratchSpace.h"
#include "tests/system/VersionFixtures.h"

namespace {

std::string CaseName(const char* file) {
  std::string name = file;
  for (char& c : name) {
    if (c == '.' || c == '-') c = '_';
  }
  return name;
}

struct Expected {
  const char* file;
  uint32_t translation;
  const char* description;
  const char* version;
  const char* product;
};

class VersionInfoFixtures : public ::testing::TestWithParam<Expected> {
 protected:
  ScratchSpace m_machine;  // the prefix on Linux
};

// The strings the resource scripts put in come back for every width,
// translation and signing state.
TEST_P(VersionInfoFixtures, ReadsTheScriptsStrings) {
  const Expected& e = GetParam();
  CVersionInfo info;
  ASSERT_TRUE(info.Load(VersionFixture(e.file)));
  EXPECT_EQ(info.GetTranslation(), e.translation);
  EXPECT_EQ(info.GetFileDescription(), e.description);
  EXPECT_EQ(info.GetFileVersion(), e.version);
  EXPECT_EQ(info.GetProductName(), e.product);
  EXPECT_EQ(info.GetString("NoSuchKey"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, VersionInfoFixtures,
    ::testing::Values(Expected{"app64.exe", 0x041204b0, "베타 결제 도우미", "3, 2, 1, 0", "Vamo 결제"},
                      Expected{"app64-signed.exe", 0x041204b0, "베타 결제 도우미", "3, 2, 1, 0", "Vamo 결제"},
                      Expected{"app32.exe", 0x040904b0, "Gamma Browser", "7.0.0.5", "Gamma"},
                      Expected{"neutral64.dll", 0, "Neutral resource library", "1, 0, 1, 8", "Vamo Neutral"},
                      Expected{"neutral32.dll", 0, "Neutral resource library", "1, 0, 1, 8", "Vamo Neutral"}),
    [](const ::testing::TestParamInfo<Expected>& info) { return CaseName(info.param.file); });

class VersionInfoWithoutResource : public ::testing::TestWithParam<const char*> {
 protected:
  ScratchSpace m_machine;  // the prefix on Linux
};

TEST_P(VersionInfoWithoutResource, LoadsAsFalseAndReadsEmptyStrings) {
  CVersionInfo info;
  EXPECT_FALSE(info.Load(VersionFixture(GetParam())));
  EXPECT_FALSE(info.IsLoaded());
  EXPECT_EQ(info.GetTranslation(), 0u);
  EXPECT_EQ(info.GetFileDescription(), "");
  EXPECT_EQ(info.GetFileVersion(), "");
  EXPECT_EQ(info.GetProductName(), "");
  EXPECT_EQ(info.GetString("FileVersion", 0x041204b0), "");
}

INSTANTIATE_TEST_SUITE_P(Files, VersionInfoWithoutResource,
                         ::testing::Values("plain64.exe", "strings64.dll", "notes.txt", "signed.cab", "missing.exe"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return CaseName(info.param); });

TEST_F(VersionInfoTest, ExplicitTranslationReadsTheOtherTable) {
  CVersionInfo info;
  ASSERT_TRUE(info.Load(VersionFixture("app32.exe")));
  EXPECT_EQ(info.GetString("FileDescription", 0x041204b0), "감마 브라우저");
  EXPECT_EQ(info.GetString("FileVersion", 0x041204b0), "7.0.0.5 (한국어)");
  EXPECT_EQ(info.GetString("CompanyName"), "Gamma Software");
  // The Korean table has no company name; nothing falls back to English.
  EXPECT_EQ(info.GetString("CompanyName", 0x041204b0), "");
  EXPECT_EQ(info.GetString("FileDescription", 0x040704b0), "");
}

TEST_F(VersionInfoTest, ProgramReadsItsOwnVersion) {
  CVersionInfo info;
  ASSERT_TRUE(info.Load(platform::ModuleFileName()));
  EXPECT_EQ(info.GetTranslation(), 0u);
  EXPECT_EQ(info.GetFileVersion(), "1, 0, 1, 8");
  EXPECT_EQ(info.GetProductName(), "VamoSetup");
}

TEST_F(VersionInfoTest, ReloadAndResetDropTheOldBlock) {
  CVersionInfo info;
  ASSERT_TRUE(info.Load(VersionFixture("app64.exe")));
  EXPECT_FALSE(info.Load(VersionFixture("plain64.exe")));
  EXPECT_EQ(info.GetFileVersion(), "");
  EXPECT_EQ(info.GetTranslation(), 0u);
  ASSERT_TRUE(info.Load(VersionFixture("app32.exe")));
  info.Reset();
  EXPECT_FALSE(info.IsLoaded());
  EXPECT_EQ(info.GetProductName(), "");
}

}  // namespace
