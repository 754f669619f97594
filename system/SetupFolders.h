#pragma once

#include <string>

// Where the plug-in lives: the install folder "<base>\VamoPlugin" and the
// temporary folder "<base>\VamoPlugin\temp". <base> is the per-user
// low-integrity application data folder on Windows Vista and later, the
// per-user local application data folder before.
class CSetupFolders {
 public:
  // GetVersionExW reports the NT platform and a major version above 5.
  static bool IsVistaOrLater();
  static std::string BaseFolder();
  static std::string InstallFolder();
  static std::string TempFolder();
  // "<install folder>\VamoPlugin.ver", the installed-version file.
  static std::string InstalledVersionFile();
};
