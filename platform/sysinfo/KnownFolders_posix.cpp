#include "platform/sysinfo/KnownFolders.h"

#include "platform/registry/Registry.h"
#include "platform/sysinfo/WindowsVersion.h"
#include "platform/text/Utf.h"

// The personality's folders are read from the prefix registry, where the
// prefix set them up; a value missing there falls back to the Windows
// default. Its environment is made from them and the machine facts: a fixed
// set of variables, the others unknown.
namespace platform {

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kLocalLowGuid[] = "{A520A1A4-1780-4FF6-BD18-167343C5AF16}";

std::string ReadOr(RegRoot root, const char* path, const char* name, const std::string& fallback) {
  RegKey key;
  if (key.Open(root, path) != kErrorSuccess) return fallback;
  auto value = key.ReadString(name);
  return value && !value->empty() ? *value : fallback;
}

std::string DefaultProfile() { return "C:\\Users\\" + UserName(); }

}  // namespace

std::string GetKnownFolder(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kWindows:
      return ReadOr(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                    "C:\\Windows");
    case KnownFolder::kSystem:
      return GetKnownFolder(KnownFolder::kWindows) + "\\System32";
    case KnownFolder::kProgramFiles:
      return ReadOr(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                    "C:\\Program Files");
    case KnownFolder::kProgramData:
      return ReadOr(RegRoot::kLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                    "ProgramData", "C:\\ProgramData");
    case KnownFolder::kProfile:
      return ReadOr(RegRoot::kCurrentUser, "Volatile Environment", "USERPROFILE", DefaultProfile());
    case KnownFolder::kLocalAppData:
      return ReadOr(RegRoot::kCurrentUser, kShellFolders, "Local AppData", DefaultProfile() + "\\AppData\\Local");
    case KnownFolder::kLocalAppDataLow:
      return ReadOr(RegRoot::kCurrentUser, kShellFolders, kLocalLowGuid, DefaultProfile() + "\\AppData\\LocalLow");
    case KnownFolder::kRoamingAppData:
      return ReadOr(RegRoot::kCurrentUser, kShellFolders, "AppData", DefaultProfile() + "\\AppData\\Roaming");
  }
  return {};
}

std::string EnvironmentVariable(std::string_view name) {
  std::string key = ToLowerAscii(name);
  if (key == "allusersprofile" || key == "programdata") return GetKnownFolder(KnownFolder::kProgramData);
  if (key == "appdata") return GetKnownFolder(KnownFolder::kRoamingAppData);
  if (key == "localappdata") return GetKnownFolder(KnownFolder::kLocalAppData);
  if (key == "userprofile") return GetKnownFolder(KnownFolder::kProfile);
  if (key == "systemroot" || key == "windir") return GetKnownFolder(KnownFolder::kWindows);
  if (key == "programfiles") return GetKnownFolder(KnownFolder::kProgramFiles);
  if (key == "commonprogramfiles") return GetKnownFolder(KnownFolder::kProgramFiles) + "\\Common Files";
  if (key == "temp" || key == "tmp") return GetKnownFolder(KnownFolder::kLocalAppData) + "\\Temp";
  if (key == "systemdrive" || key == "homedrive") return "C:";
  if (key == "homepath") return GetKnownFolder(KnownFolder::kProfile).substr(2);
  if (key == "public") return "C:\\Users\\Public";
  if (key == "username") return UserName();
  if (key == "computername") return ComputerName();
  if (key == "os") return "Windows_NT";
  if (key == "number_of_processors") return std::to_string(GetProcessorCount());
  if (key == "processor_architecture") return GetSystemBits() == "64" ? "AMD64" : "x86";
  return {};
}

std::string ExpandEnvironmentText(std::string_view text) {
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t open = text.find('%', pos);
    size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      result.append(text.substr(pos));
      break;
    }
    result.append(text.substr(pos, open - pos));
    std::string value = EnvironmentVariable(text.substr(open + 1, close - open - 1));
    if (value.empty()) {
      // An unknown name stays, and its closing "%" may open the next one.
      result.append(text.substr(open, close - open));
      pos = close;
    } else {
      result += value;
      pos = close + 1;
    }
  }
  return result;
}

}  // namespace platform
