#include "system/SetupFolders.h"

#include "platform/sysinfo/KnownFolders.h"
#include "platform/sysinfo/WindowsVersion.h"

namespace {
constexpr char kPluginFolder[] = "\\VamoPlugin";
constexpr char kTempFolder[] = "\\temp";
constexpr char kInstalledVersionFile[] = "VamoPlugin.ver";
constexpr uint32_t kPlatformWin32Nt = 2;
}  // namespace

bool CSetupFolders::IsVistaOrLater() {
  platform::WindowsVersion version = platform::GetWindowsVersion();
  return version.platformId == kPlatformWin32Nt && version.majorVersion > 5;
}

std::string CSetupFolders::BaseFolder() {
  return platform::GetKnownFolder(IsVistaOrLater() ? platform::KnownFolder::kLocalAppDataLow
                                                   : platform::KnownFolder::kLocalAppData);
}

std::string CSetupFolders::InstallFolder() { return BaseFolder() + kPluginFolder; }

std::string CSetupFolders::TempFolder() { return InstallFolder() + kTempFolder; }

std::string CSetupFolders::InstalledVersionFile() {
  return InstallFolder() + "\\" + kInstalledVersionFile;
}
