#pragma once

#include <string>
#include <string_view>

// Known folders of the simulated machine, as Windows paths (no trailing
// backslash). They are read from the prefix registry, where the prefix set
// them up; a value missing there falls back to the Windows default.
namespace platform {

enum class KnownFolder {
  kWindows,          // C:\Windows                (GetWindowsDirectory)
  kSystem,           // C:\Windows\System32       (GetSystemDirectory)
  kProgramFiles,     // C:\Program Files          (CSIDL_PROGRAM_FILES)
  kProgramData,      // C:\ProgramData            (%AllUsersProfile%)
  kProfile,          // C:\Users\<user>
  kLocalAppData,     // ...\AppData\Local         (CSIDL_LOCAL_APPDATA)
  kLocalAppDataLow,  // ...\AppData\LocalLow      (FOLDERID_LocalAppDataLow)
  kRoamingAppData,   // ...\AppData\Roaming       (CSIDL_APPDATA)
};

std::string GetKnownFolder(KnownFolder folder);

// Value of a Windows environment variable of the simulated machine
// (ALLUSERSPROFILE, APPDATA, LOCALAPPDATA, USERPROFILE, SystemRoot, windir,
// ProgramFiles, USERNAME, COMPUTERNAME, TEMP, TMP); empty when unknown.
std::string EnvironmentVariable(std::string_view name);

// ExpandEnvironmentStringsW: every %NAME% with a known value is replaced,
// names compared without case; unknown ones stay as they are.
std::string ExpandEnvironmentText(std::string_view text);

}  // namespace platform
