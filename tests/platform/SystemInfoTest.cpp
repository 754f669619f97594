#include "platform/sysinfo/WindowsVersion.h"
#include "platform/sysinfo/WindowsVersion_posix.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/Registry.h"
#include "tests/support/TempPrefix.h"

namespace {

TEST(MemInfo, PhysicalAndPageFileFigures) {
  const auto status = platform::ParseMemInfo(
      "MemTotal:       16384000 kB\nMemFree:         1000000 kB\nMemAvailable:    8192000 kB\n"
      "Buffers:          100000 kB\nCached:          2000000 kB\nSwapTotal:       4096000 kB\nSwapFree:        1024000 kB\n");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(status->totalPhys, 16384000ull * 1024);
  EXPECT_EQ(status->availPhys, 8192000ull * 1024);
  EXPECT_EQ(status->totalPageFile, (16384000ull + 4096000) * 1024);
  EXPECT_EQ(status->availPageFile, (8192000ull + 1024000) * 1024);
  EXPECT_EQ(status->memoryLoad, 50u);

  // Old kernels have no MemAvailable: free memory and the caches stand in.
  const auto old = platform::ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 30 kB\n");
  ASSERT_TRUE(old.has_value());
  EXPECT_EQ(old->availPhys, 150ull * 1024);
  EXPECT_EQ(old->totalPageFile, 1000ull * 1024);
  EXPECT_EQ(platform::ParseMemInfo("MemFree: 100 kB\n").error(), platform::kErrorInvalidData);
}

TEST(WindowsVersion, SuiteNamesBecomeBits) {
  using namespace std::string_literals;
  EXPECT_EQ(platform::SuiteMaskFromProductSuite("enterprise\0Terminal Server\0Nonsense\0\0"s),
            platform::kSuiteEnterprise | platform::kSuiteTerminal);
  EXPECT_EQ(platform::SuiteMaskFromProductSuite("Small Business(Restricted)\0Small Business"s),
            platform::kSuiteSmallBusinessRestricted | platform::kSuiteSmallBusiness);
  EXPECT_EQ(platform::SuiteMaskFromProductSuite(""), 0);
  EXPECT_EQ(platform::ArchitectureFromName("amd64"), platform::kArchitectureAmd64);
  EXPECT_EQ(platform::ArchitectureFromName("MIPS"), platform::kArchitectureUnknown);
}

TEST(WindowsVersion, BasicFormLeavesOutTheExtendedFacts) {
  platform::PrefixOptions server;
  server.majorVersion = 5;
  server.minorVersion = 2;
  server.buildNumber = 3790;
  server.servicePackMajor = 2;
  server.productType = 3;
  TempPrefix prefix(server);
  platform::RegKey options;
  ASSERT_EQ(options.Open(platform::RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions"), 0u);
  const uint8_t suite[] = {'E', 0, 'n', 0, 't', 0, 'e', 0, 'r', 0, 'p', 0, 'r', 0, 'i', 0, 's', 0, 'e', 0, 0, 0, 0, 0};
  ASSERT_EQ(options.SetValue("ProductSuite", platform::kRegMultiSz, suite), 0u);

  const auto extended = platform::QueryWindowsVersion(true);
  ASSERT_TRUE(extended.has_value());
  EXPECT_EQ(extended->productType, platform::kNtServer);
  EXPECT_EQ(extended->suiteMask, platform::kSuiteEnterprise);
  EXPECT_EQ(extended->servicePackMajor, 2u);
  EXPECT_EQ(extended->processorArchitecture, platform::kArchitectureAmd64);
  const auto basic = platform::QueryWindowsVersion(false);
  ASSERT_TRUE(basic.has_value());
  EXPECT_EQ(basic->majorVersion, 5u);
  EXPECT_EQ(basic->csdVersion, "Service Pack 2");
  EXPECT_EQ(basic->productType, 0u);
  EXPECT_EQ(basic->suiteMask, 0);
  EXPECT_EQ(basic->servicePackMajor, 0u);
  // No product information before 6.0.
  EXPECT_EQ(platform::GetProductInfo(6, 0, 0, 0), platform::kProductUndefined);
}

TEST(WindowsVersion, ProductInfoComesFromTheEdition) {
  TempPrefix prefix;
  platform::RegKey current;
  ASSERT_EQ(current.Open(platform::RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"), 0u);
  ASSERT_EQ(current.SetString("EditionID", "Ultimate"), 0u);
  EXPECT_EQ(platform::GetProductInfo(6, 0, 0, 0), 1u);
  // A caller that asks about a newer system than this one gets nothing.
  EXPECT_EQ(platform::GetProductInfo(6, 2, 0, 0), platform::kProductUndefined);
  ASSERT_EQ(current.SetString("EditionID", "SomethingNew"), 0u);
  EXPECT_EQ(platform::GetProductInfo(6, 0, 0, 0), platform::kProductUndefined);
  EXPECT_EQ(platform::GetServerR2Metric(), 0);
}

TEST(WindowsVersion, UserUiLanguageFollowsTheUsersOwnChoice) {
  TempPrefix prefix;
  EXPECT_EQ(platform::GetUserUILanguage(), 0x0412);
  platform::RegKey desktop;
  ASSERT_EQ(desktop.Create(platform::RegRoot::kCurrentUser, "Control Panel\\Desktop"), 0u);
  ASSERT_EQ(desktop.SetString("MultiUILanguageId", "00000411"), 0u);
  EXPECT_EQ(platform::GetUserUILanguage(), 0x0411);
  ASSERT_EQ(desktop.SetString("MultiUILanguageId", "garbage"), 0u);
  EXPECT_EQ(platform::GetUserUILanguage(), 0x0412);
}

}  // namespace
