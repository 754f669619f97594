#include "engine/Updater.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/SystemInfo.h"
#include "engine/ErrorCodes.h"
#include "tests/engine/InstallTestSupport.h"

namespace {

constexpr char kFrame[] = "CUpdater::Proc_UpdateList_CheckPlatform() ";

struct PlatformCase {
  const char* strLabel;
  int nFlags;
  int nMajor;
  int nMinor;
  const char* strBits;
  int nExpected;
  std::vector<std::string> traces;  // after the frame
};

class PlatformFilter : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PlatformFilter, DecidesAndTraces) {
  TempPrefix prefix;
  TraceCapture trace;
  CSystemInfo info;
  SetSystemInfo(info, GetParam().nMajor, GetParam().nMinor, GetParam().strBits);
  CUpdater updater(info);
  EXPECT_EQ(updater.Proc_UpdateList_CheckPlatform(GetParam().nFlags), GetParam().nExpected);
  std::vector<std::string> expected;
  for (const std::string& line : GetParam().traces) expected.push_back(kFrame + line);
  EXPECT_EQ(trace.Lines(), expected);
}

const std::string kXp = "[Windows XP]...";
const std::string kSeven = "[Windows 7, Windows Server 2008 R2]...";
const std::string kEight = "[Windows 8]...";
const std::string kVista = "[Windows Vista, Windows Server 2008]...";

INSTANTIATE_TEST_SUITE_P(
    Rows, PlatformFilter,
    ::testing::Values(
        PlatformCase{"NoBitsFitEverything", 0, 5, 1, "32", 0, {kXp}},
        PlatformCase{"Win32OnlyOn64", 0x100, 6, 1, "64", kErrPlatformMismatch,
                     {"[VAMO_SETUP_PLATFORM_WIN32]..."}},
        PlatformCase{"Win32OnlyOn32", 0x100, 6, 1, "32", 0, {kSeven}},
        PlatformCase{"Win64OnlyOn32", 0x200, 5, 1, "32", kErrPlatformMismatch,
                     {"[VAMO_SETUP_PLATFORM_WIN64]..."}},
        PlatformCase{"AllWidthsWinsOverWin32", 0x500, 6, 1, "64", 0, {"[VAMO_SETUP_PLATFORM_ALL]...", kSeven}},
        PlatformCase{"VistaHigherDecidesAloneOnXp", 0x003, 5, 1, "32", kErrPlatformMismatch,
                     {kXp, "[VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER]..."}},
        PlatformCase{"XpOnXp", 0x001, 5, 1, "32", 0, {kXp, "[VAMO_SETUP_PLATFORM_WINDOWS_XP]..."}},
        PlatformCase{"XpOnSeven", 0x001, 6, 1, "64", kErrPlatformMismatch,
                     {kSeven, "[VAMO_SETUP_PLATFORM_WINDOWS_XP]..."}},
        PlatformCase{"VistaOnVista", 0x004, 6, 0, "32", 0, {kVista, "[VAMO_SETUP_PLATFORM_WINDOWS_VISTA]..."}},
        PlatformCase{"SevenOnEight", 0x008, 6, 2, "64", kErrPlatformMismatch,
                     {kEight, "[VAMO_SETUP_PLATFORM_WINDOWS_7]..."}},
        PlatformCase{"EightOnEightPointOne", 0x010, 6, 3, "64", 0, {kEight, "[VAMO_SETUP_PLATFORM_WINDOWS_8]..."}},
        PlatformCase{"EightOnTen", 0x010, 10, 0, "64", kErrPlatformMismatch,
                     {"[Windows Unknown] [10/0]...", "[VAMO_SETUP_PLATFORM_WINDOWS_8]..."}},
        PlatformCase{"AllWindowsOnTen", 0x030, 10, 0, "64", 0,
                     {"[Windows Unknown] [10/0]...", "[VAMO_SETUP_PLATFORM_WINDOWS_ALL]..."}},
        PlatformCase{"VistaHigherOnTen", 0x002, 10, 0, "64", 0,
                     {"[Windows Unknown] [10/0]...", "[VAMO_SETUP_PLATFORM_WINDOWS_VISTA_HIGHER]..."}},
        PlatformCase{"Server2003OnlyWithoutVersionBits", 0x400, 5, 2, "32", 0,
                     {"[VAMO_SETUP_PLATFORM_ALL]...", "[Windows 2003]..."}},
        PlatformCase{"Windows2000RefusesXpItems", 0x001, 5, 0, "32", kErrPlatformMismatch,
                     {"[Windows 2000]...", "[VAMO_SETUP_PLATFORM_WINDOWS_XP]..."}}),
    [](const auto& info) { return std::string(info.param.strLabel); });

TEST(PlatformFlags, ReadLikeWtoi) {
  EXPECT_EQ(CUpdater::PlatformFlags(""), 0);
  EXPECT_EQ(CUpdater::PlatformFlags("1024"), 1024);
  EXPECT_EQ(CUpdater::PlatformFlags("  16 bits"), 16);
  EXPECT_EQ(CUpdater::PlatformFlags("0x20"), 0);
  EXPECT_EQ(CUpdater::PlatformFlags("ALL"), 0);
  EXPECT_EQ(CUpdater::PlatformFlags("-1"), -1);
  EXPECT_EQ(CUpdater::PlatformFlags("99999999999"), 2147483647);
}

}  // namespace
