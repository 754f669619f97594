#pragma once

#include <string>
#include <string_view>

// Known folders of this machine and user, as Windows paths (no trailing
// backslash), and the environment's variables.
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

// SHGetKnownFolderPath (the folder need not exist); empty when the system
// cannot name it.
std::string GetKnownFolder(KnownFolder folder);

// GetEnvironmentVariableW: the value of a variable of the process's
// environment (ALLUSERSPROFILE, APPDATA, LOCALAPPDATA, USERPROFILE,
// SystemRoot, windir, ProgramFiles, USERNAME, COMPUTERNAME, TEMP, TMP ...),
// the name compared without case; empty when it is not set.
std::string EnvironmentVariable(std::string_view name);

// ExpandEnvironmentStringsW: every %NAME% with a known value is replaced,
// names compared without case; unknown ones stay as they are.
std::string ExpandEnvironmentText(std::string_view text);

}  // namespace platform
